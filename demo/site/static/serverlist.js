// Entering a server the ways the real site does: from script, by a plain link
// (in the page), with the full-screen mark, through the portal (a link), and
// from inside a frame.
(function () {
  var game = "http://" + location.host + "/game.html";
  var names = {1: "青龙", 3: "朱雀", 5: "麒麟"};

  function gameUrl(server, max) {
    var url = game + "?server=" + server + "&name=" + encodeURIComponent(names[server] || "");
    if (max) url += "&windowsize=max";
    return url;
  }

  document.querySelectorAll("button.server").forEach(function (button) {
    button.addEventListener("click", function () {
      var server = button.getAttribute("data-server");
      var url = gameUrl(server, button.hasAttribute("data-max"));
      if (button.hasAttribute("data-frame")) {
        var frame = document.createElement("iframe");
        frame.src = "client://loadgame|" + url;
        document.getElementById("frames").appendChild(frame);
      } else {
        location.href = "client://loadgame|" + url;
      }
    });
  });
})();
