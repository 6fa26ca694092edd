// The demo game: a night landscape with a swarm of drifting embers, drawn by
// the vendored game framework, which takes WebGL where the engine offers it and
// falls back to a 2-D canvas where it does not. The page reports its renderer
// and frame rate, and logs the keys it receives, to the site. Like a real game
// it chimes when it starts, has a full-screen button, and tells the player by
// a notification when the timed siege comes round (?event=<seconds> after the
// start, 180 unless asked otherwise; 0 for none).
(function () {
  var params = new URLSearchParams(location.search);
  var server = window.QUORVANE_SERVER ||
      {id: params.get("server") || "1", name: params.get("name") || "青龙"};
  // Heavy enough by default to keep the engine busy; a query can ask for more.
  var emberCount = Math.max(0, parseInt(params.get("sprites") || "2000", 10) || 0);
  document.title = "Quorvane · " + server.id + "服 " + server.name;
  var hud = document.getElementById("hud");
  var keys = document.getElementById("keys");
  window.quorvaneKeys = [];
  window.quorvaneFrames = 0;

  function report(path) {
    fetch(path).catch(function () {});
  }

  function paintSky(scene, w, h) {
    var sky = scene.textures.createCanvas("sky", w, h);
    var ctx = sky.getContext();
    var gradient = ctx.createLinearGradient(0, 0, 0, h);
    gradient.addColorStop(0, "#0b1430");
    gradient.addColorStop(0.6, "#1b1630");
    gradient.addColorStop(1, "#2a1410");
    ctx.fillStyle = gradient;
    ctx.fillRect(0, 0, w, h);
    ctx.fillStyle = "#0a0c14";
    ctx.beginPath();
    ctx.moveTo(0, h);
    for (var x = 0; x <= w; x += 20) {
      ctx.lineTo(x, h * 0.72 - Math.sin(x / 140) * 40 - Math.sin(x / 57 + 1) * 18);
    }
    ctx.lineTo(w, h);
    ctx.fill();
    sky.refresh();
  }

  function paintEmber(scene) {
    var ember = scene.textures.createCanvas("ember", 16, 16);
    var ctx = ember.getContext();
    var glow = ctx.createRadialGradient(8, 8, 0, 8, 8, 8);
    glow.addColorStop(0, "rgba(255,230,160,1)");
    glow.addColorStop(0.35, "rgba(255,150,60,0.9)");
    glow.addColorStop(1, "rgba(255,90,30,0)");
    ctx.fillStyle = glow;
    ctx.fillRect(0, 0, 16, 16);
    ember.refresh();
  }

  var embers = [];
  var sky;

  function create() {
    var w = this.scale.width, h = this.scale.height;
    paintSky(this, w, h);
    paintEmber(this);
    sky = this.add.image(0, 0, "sky").setOrigin(0, 0);
    for (var i = 0; i < emberCount; i++) {
      var e = this.add.image(Math.random() * w, Math.random() * h, "ember");
      e.setScale(0.3 + Math.random() * 0.7);
      e.speed = 20 + Math.random() * 90;
      e.phase = Math.random() * Math.PI * 2;
      e.home = e.x;
      embers.push(e);
    }
    this.scale.on("resize", function (size) {
      this.textures.remove("sky");
      paintSky(this, size.width, size.height);
      sky.setTexture("sky");
    }, this);
  }

  var renderer = "";
  var windowStart = 0;
  var windowFrames = 0;

  function update(time, delta) {
    var w = this.scale.width, h = this.scale.height, step = delta / 1000;
    for (var i = 0; i < embers.length; i++) {
      var e = embers[i];
      e.y -= e.speed * step;
      e.phase += 3 * step;
      if (e.y < -8) { e.y = h + 8; e.home = Math.random() * w; }
      e.x = e.home + Math.sin(e.phase) * 12;
      e.alpha = 0.3 + 0.7 * (e.y / h);
    }
    window.quorvaneFrames++;
    windowFrames++;
    if (!windowStart) windowStart = time;
    // Frames counted over two seconds of the page's own clock.
    if (time - windowStart >= 2000) {
      var fps = windowFrames * 1000 / (time - windowStart);
      report("/log/fps?page=game&server=" + server.id + "&renderer=" + renderer +
             "&fps=" + fps.toFixed(1) + "&frames=" + windowFrames +
             "&ms=" + Math.round(time - windowStart));
      windowStart = time;
      windowFrames = 0;
    }
    hud.textContent = server.id + "服 " + server.name + " · " + renderer + " · 帧 " +
        window.quorvaneFrames;
  }

  var game = new Phaser.Game({
    type: Phaser.AUTO,
    parent: "world",
    backgroundColor: "#05070d",
    banner: false,
    scale: {mode: Phaser.Scale.RESIZE, width: window.innerWidth, height: window.innerHeight},
    scene: {create: create, update: update}
  });
  game.events.once("ready", function () {
    renderer = game.renderer.type === Phaser.WEBGL ? "webgl" : "canvas";
    window.quorvaneRenderer = renderer;
    report("/log/renderer?page=game&server=" + server.id + "&renderer=" + renderer);
  });

  window.addEventListener("load", function () {
    report("/log/load?page=game&server=" + server.id + "&t=" + Date.now() +
           "&size=" + window.innerWidth + "x" + window.innerHeight);
  });

  new Audio(window.quorvaneChime()).play().then(function () {
    report("/log/sound?page=game&server=" + server.id + "&result=played");
  }, function (e) {
    report("/log/sound?page=game&server=" + server.id + "&result=" + e.name);
  });

  document.getElementById("fullscreen").addEventListener("click", function () {
    if (document.fullscreenElement) document.exitFullscreen();
    else document.documentElement.requestFullscreen().catch(function () {});
  });
  document.addEventListener("fullscreenchange", function () {
    document.getElementById("fullscreen").textContent = document.fullscreenElement ? "退出全屏" : "全屏";
  });

  var siegeSeconds = parseInt(params.get("event") || "180", 10) || 0;
  if (siegeSeconds > 0 && window.Notification) {
    setTimeout(function () {
      Notification.requestPermission().then(function (permission) {
        if (permission !== "granted") return;
        new Notification(server.id + "服 " + server.name, {body: "攻城战开始了，快去城门集合！"});
        report("/log/event?page=game&server=" + server.id + "&what=siege");
      });
    }, siegeSeconds * 1000);
  }

  document.addEventListener("keydown", function (e) {
    window.quorvaneKeys.push(e.key);
    keys.textContent = "keys: " + window.quorvaneKeys.slice(-12).join(" ");
    report("/log/key?page=game&server=" + server.id + "&key=" + encodeURIComponent(e.key));
  });
})();
