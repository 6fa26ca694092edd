#!/usr/bin/env bash
# Installs what is missing, builds, and runs the client against the bundled
# demo site. Without a display it starts one, walks the main road (start page,
# entering the game, back to the launcher) and saves screenshots.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT/scripts/setup.sh"
build quorvane
CLIENT="$BUILD_DIR/app/quorvane"
mkdir -p "$ROOT/shots"
start_demo_site "$ROOT/shots/demo-site.log"

if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then
  echo "demo site on http://127.0.0.1:$DEMO_PORT/ — starting the client"
  "$CLIENT"
  exit $?
fi

ensure_display
"$CLIENT" >"$ROOT/shots/client.log" 2>&1 &
client=$!
CLEANUP_PIDS+=("$client")

shot() {
  import -window root "$ROOT/shots/$1.png"
  echo "screenshot: $ROOT/shots/$1.png"
}

# The visible top-level window called Quorvane, waited for.
visible_window() {
  local id
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name '^Quorvane$' 2>/dev/null | head -n 1 || true)
    [ -n "$id" ] && { echo "$id"; return 0; }
    sleep 0.2
  done
  return 1
}

wait_for_log() {
  for _ in $(seq 100); do grep -q "$1" "$2" && return 0; sleep 0.2; done
  echo "timed out waiting for '$1' in $2" >&2
  return 1
}

launcher=$(visible_window)
wait_for_log 'GET /serverlist.html' "$ROOT/shots/demo-site.log"
sleep 2
shot 1-launcher
eval "$(xdotool getwindowgeometry --shell "$launcher")"
# The server list sits in the launcher's browser panel at (486, 195); the
# "recently played" server button is near its top-left.
xdotool mousemove $((X + 486 + 100)) $((Y + 195 + 120)) click 1
wait_for_log 'GET /game.html' "$ROOT/shots/demo-site.log"
sleep 3
shot 2-game
game=$(visible_window)
eval "$(xdotool getwindowgeometry --shell "$game")"
# The switch-server button is the left one of the strip's three tabs, 422 px
# from the window's right edge (2 px frame).
before=$(grep -c 'jump1401.html' "$ROOT/shots/demo-site.log")
xdotool mousemove $((X + WIDTH - 2 - 422 + 40)) $((Y + 2 + 30)) click 1
for _ in $(seq 50); do
  [ "$(grep -c 'jump1401.html' "$ROOT/shots/demo-site.log")" -gt "$before" ] && break
  sleep 0.2
done
sleep 2
shot 3-back-to-launcher
echo "requests the site saw: $ROOT/shots/demo-site.log"
