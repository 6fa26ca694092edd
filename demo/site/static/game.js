// A small living scene standing in for the game: drifting embers over a
// night landscape, a frame counter, and a log of the keys the page receives.
(function () {
  var params = new URLSearchParams(location.search);
  var server = window.QUORVANE_SERVER ||
      {id: params.get("server") || "1", name: params.get("name") || "青龙"};
  document.title = "Quorvane · " + server.id + "服 " + server.name;
  var hud = document.getElementById("hud");
  var keys = document.getElementById("keys");
  var canvas = document.getElementById("world");
  var ctx = canvas.getContext("2d");
  var embers = [];
  var frame = 0;
  window.quorvaneKeys = [];

  function resize() {
    canvas.width = window.innerWidth;
    canvas.height = window.innerHeight;
  }
  window.addEventListener("resize", resize);
  resize();

  for (var i = 0; i < 140; i++) {
    embers.push({x: Math.random(), y: Math.random(), r: 1 + Math.random() * 2.5,
                 v: 0.0008 + Math.random() * 0.002, p: Math.random() * Math.PI * 2});
  }

  function draw() {
    var w = canvas.width, h = canvas.height;
    var sky = ctx.createLinearGradient(0, 0, 0, h);
    sky.addColorStop(0, "#0b1430");
    sky.addColorStop(0.6, "#1b1630");
    sky.addColorStop(1, "#2a1410");
    ctx.fillStyle = sky;
    ctx.fillRect(0, 0, w, h);
    ctx.fillStyle = "#0a0c14";
    ctx.beginPath();
    ctx.moveTo(0, h);
    for (var x = 0; x <= w; x += 20) {
      ctx.lineTo(x, h * 0.72 - Math.sin(x / 140) * 40 - Math.sin(x / 57 + 1) * 18);
    }
    ctx.lineTo(w, h);
    ctx.fill();
    embers.forEach(function (e) {
      e.y -= e.v;
      e.p += 0.05;
      if (e.y < 0) { e.y = 1; e.x = Math.random(); }
      var px = (e.x + Math.sin(e.p) * 0.01) * w, py = e.y * h;
      ctx.fillStyle = "rgba(255," + (120 + Math.floor(e.r * 40)) + ",60," + (0.4 + 0.6 * e.y) + ")";
      ctx.beginPath();
      ctx.arc(px, py, e.r, 0, Math.PI * 2);
      ctx.fill();
    });
    frame++;
    hud.textContent = server.id + "服 " + server.name + " · 帧 " + frame;
    requestAnimationFrame(draw);
  }
  requestAnimationFrame(draw);

  window.addEventListener("load", function () {
    fetch("/log/load?page=game&server=" + server.id).catch(function () {});
  });

  document.addEventListener("keydown", function (e) {
    window.quorvaneKeys.push(e.key);
    keys.textContent = "keys: " + window.quorvaneKeys.slice(-12).join(" ");
    fetch("/log/key?page=game&server=" + server.id + "&key=" + encodeURIComponent(e.key))
      .catch(function () {});
  });
})();
