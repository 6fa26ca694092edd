// Entering a server the ways the real site does: from script, by a plain link
// (in the page), with the full-screen mark, through the portal (a link), and
// from inside a frame.
(function () {
  var game = "http://" + location.host + "/game.html";
  var names = {1: "青龙", 3: "朱雀", 5: "麒麟", 7: "<b>试炼</b>", 8: "한국"};

  function gameUrl(server, max) {
    var url = game + "?server=" + server + "&name=" + encodeURIComponent(names[server] || "");
    if (max) url += "&windowsize=max";
    return url;
  }

  document.querySelectorAll("button.server").forEach(function (button) {
    button.addEventListener("click", function () {
      var server = button.getAttribute("data-server");
      var url = gameUrl(server, button.hasAttribute("data-max"));
      // When the player entered, by the page's clock, for the start-up
      // benchmark; a beacon still leaves if the page goes away.
      navigator.sendBeacon("/log/enter?server=" + server + "&t=" + Date.now());
      if (button.hasAttribute("data-frame")) {
        var frame = document.createElement("iframe");
        frame.src = "client://loadgame|" + url;
        document.getElementById("frames").appendChild(frame);
      } else {
        location.href = "client://loadgame|" + url;
      }
    });
  });

  // The player count follows the site, every second unless the site says
  // otherwise ("next": milliseconds to the next look, 0 for none), as real
  // server lists do; a list left running behind the game shows up in the
  // site's log.
  function poll() {
    fetch("/serverlist/online?t=" + Date.now()).then(function (r) { return r.json(); })
      .then(function (d) {
        // Only a changed count is drawn again: a list at rest paints nothing.
        var online = document.getElementById("online");
        if (online.textContent !== String(d.online)) online.textContent = d.online;
        var next = typeof d.next === "number" ? d.next : 1000;
        if (next > 0) setTimeout(poll, next);
      })
      .catch(function () { setTimeout(poll, 1000); });
  }
  poll();

  // What the page receives and where its entries are, told to the site's log
  // for the tests that drive the client as a player does.
  document.addEventListener("keydown", function (e) {
    fetch("/log/key?page=serverlist&key=" + encodeURIComponent(e.key)).catch(function () {});
  });
  window.addEventListener("load", function () {
    var places = [];
    document.querySelectorAll(".server[id]").forEach(function (el) {
      var r = el.getBoundingClientRect();
      places.push(el.id + "=" + Math.round(r.left + r.width / 2) + "," + Math.round(r.top + r.height / 2));
    });
    places.push("t=" + Date.now());
    fetch("/log/layout?page=serverlist&" + places.join("&")).catch(function () {});
  });
})();
