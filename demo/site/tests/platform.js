// Tries what game pages use of the web platform and tells the site each
// result: /log/probe?what=<capability>&…. Controls report their places on
// load (/log/layout?page=platform&id=x,y…), so a test can click them.
(function () {
  var status = document.getElementById("status");
  var elsewhere = location.search.indexOf("elsewhere=1") >= 0;
  function report(what, fields) {
    var query = "what=" + what + (elsewhere ? "&host=elsewhere" : "");
    Object.keys(fields || {}).forEach(function (k) {
      query += "&" + k + "=" + encodeURIComponent(fields[k]);
    });
    status.textContent += query + "\n";
    fetch("/log/probe?" + query).catch(function () {});
  }
  function settle(what, promise) {
    promise.then(function (v) { report(what, {result: "granted" + (v ? "-" + v : "")}); },
                 function (e) { report(what, {result: e && e.name ? e.name : String(e)}); });
  }

  // No click has happened yet: the game plays its sound all the same.
  var audio = new Audio(window.quorvaneChime());
  settle("sound", audio.play().then(function () { return "played"; }));
  report("audiocontext", {state: new AudioContext().state});

  // Requests a game page has no business making: each must be answered.
  settle("clipboard", navigator.clipboard.readText());
  settle("microphone", navigator.mediaDevices.getUserMedia({audio: true}));
  settle("camera", navigator.mediaDevices.getUserMedia({video: true}));
  settle("location", new Promise(function (resolve, reject) {
    navigator.geolocation.getCurrentPosition(function () { resolve(); },
                                             function (e) { reject({name: "denied-" + e.code}); });
  }));
  settle("notification-permission", Notification.requestPermission().then(function (p) {
    if (p !== "granted") throw {name: p};
  }));

  document.addEventListener("visibilitychange", function () {
    report("visibility", {state: document.visibilityState});
  });
  document.addEventListener("fullscreenchange", function () {
    report("fullscreen", {on: document.fullscreenElement ? 1 : 0});
  });
  document.addEventListener("pointerlockchange", function () {
    report("pointerlock", {on: document.pointerLockElement ? 1 : 0});
    if (document.pointerLockElement) document.exitPointerLock();
  });
  window.addEventListener("message", function (e) { report("message", {data: e.data}); });

  document.getElementById("fullscreen").onclick = function () {
    settle("fullscreen-request", document.documentElement.requestFullscreen());
  };
  document.getElementById("popup").onclick = function () {
    var popup = window.open("/tests/pay.html", "pay", "width=480,height=360");
    report("popup", {opened: popup ? 1 : 0});
  };
  document.getElementById("open").onclick = function () {
    window.open("http://localhost:8731/tests/elsewhere.html?from=open");
  };
  document.getElementById("notify").onclick = function () {
    setTimeout(function () {
      var n = new Notification("公会战", {body: "攻城战将在 1 分钟后开始"});
      n.onshow = function () { report("notification", {event: "show"}); };
      n.onclick = function () { report("notification", {event: "click"}); };
      n.onclose = function () { report("notification", {event: "close"}); };
    }, 3000);
  };
  var replays = 0;
  function download() {
    replays++;
    var link = document.createElement("a");
    link.href = URL.createObjectURL(new Blob(["replay #" + replays + "\n"]));
    link.download = "replay.json";
    link.click();
  }
  document.getElementById("download").onclick = download;
  document.getElementById("download-twice").onclick = function () { download(); download(); };
  document.getElementById("lock").onclick = function () { document.body.requestPointerLock(); };

  window.addEventListener("load", function () {
    var places = [];
    document.querySelectorAll(".probe").forEach(function (el) {
      var r = el.getBoundingClientRect();
      places.push(el.id + "=" + Math.round(r.left + r.width / 2) + "," + Math.round(r.top + r.height / 2));
    });
    fetch("/log/layout?page=platform" + (elsewhere ? "&host=elsewhere" : "") + "&" + places.join("&"))
      .catch(function () {});
  });
})();
