#!/usr/bin/env bash
# The package as a player gets it: made from this build, checked by the
# distribution's validators, unpacked into a throwaway root (so the machine
# stays as it was) and started as an unprivileged user with the engine's
# sandbox on. Needs root (to act as another user) and a display.
#   install_test.sh BUILD_DIR SOURCE_DIR
set -euo pipefail
[ "$(id -u)" -eq 0 ] || { echo "skipped: acting as another user needs root"; exit 77; }
[ -n "${DISPLAY:-}" ] || { echo "FAIL: no display" >&2; exit 1; }
build="$1"
source_dir="$2"
shots="$build/tests/packaging/shots"
mkdir -p "$shots"

work="$(mktemp -d /tmp/quorvane-package.XXXXXX)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do
    pkill -KILL -P "$pid" 2>/dev/null || true
    kill -KILL "$pid" 2>/dev/null || true
  done
  pkill -KILL -u nobody -f "$work" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAIL: $*" >&2; exit 1; }

cpack --config "$build/CPackConfig.cmake" -B "$work/out" >/dev/null
deb="$(ls "$work"/out/quorvane_*_amd64.deb)"
echo "== dpkg -c $(basename "$deb")"
dpkg -c "$deb"
echo "== control"
dpkg-deb -f "$deb"
# Wayland sessions want the toolkit's Wayland platform.
dpkg-deb -f "$deb" Recommends | grep -qw qt6-wayland || fail "the package does not recommend qt6-wayland"

root="$work/root"
dpkg-deb -x "$deb" "$root"
echo "== desktop-file-validate"
desktop-file-validate "$root/usr/share/applications/com.quorvane.Client.desktop"
echo "== appstreamcli validate"
appstreamcli validate --no-net "$root/usr/share/metainfo/com.quorvane.Client.metainfo.xml"
echo "== lintian"
lintian --fail-on error "$deb"

# An unprivileged player: nobody, with a home of its own in the throwaway
# folder. The engine's sandbox stays on: nothing here turns it off.
chmod 755 "$work"
home="$work/home"
mkdir -p "$home/Desktop" "$work/runtime"
chown -R nobody "$home" "$work/runtime"
chmod 700 "$work/runtime"
python3 "$source_dir/demo/serve.py" >"$work/site.log" 2>&1 &
pids+=($!)
for _ in $(seq 50); do grep -q '^serving' "$work/site.log" && break; sleep 0.1; done
grep -q '^serving' "$work/site.log" || fail "the demo site did not start: $(cat "$work/site.log")"

runuser -u nobody -- env -i HOME="$home" DISPLAY="$DISPLAY" XDG_RUNTIME_DIR="$work/runtime" \
  LANG=C.UTF-8 PATH=/usr/bin:/bin "$root/usr/games/quorvane" >"$work/client.log" 2>&1 &
pids+=($!)
runner=$!

client=""
for _ in $(seq 100); do
  client="$(pgrep -u nobody -f "^$root/usr/games/quorvane" | head -1 || true)"
  [ -n "$client" ] && xdotool search --onlyvisible --pid "$client" >/dev/null 2>&1 && break
  sleep 0.2
done
[ -n "$client" ] || fail "the client did not start: $(cat "$work/client.log")"
xdotool search --onlyvisible --pid "$client" >/dev/null || fail "no launcher window appeared"
echo "== launcher shown by process $client (user $(ps -o user= -p "$client"))"

for _ in $(seq 150); do grep -q 'GET /log/layout' "$work/site.log" && break; sleep 0.2; done
grep -q 'GET /log/layout' "$work/site.log" ||
  fail "the start page did not load; site log: $(cat "$work/site.log"); client: $(cat "$work/client.log")"
echo "== start page loaded"
sleep 1
import -window root "$shots/packaged-launcher.png"

# The renderers run in namespaces of their own, without --no-sandbox.
# The engine's helpers: its renderers are forked from the sandboxed zygote and
# keep its command line. Every one of them lives in namespaces of its own, and
# none runs without its sandbox.
sandboxed=0
for pid in $(pgrep -u nobody -f 'QtWebEngineProcess' || true); do
  cmdline="$(tr '\0' ' ' <"/proc/$pid/cmdline" 2>/dev/null || true)"
  case "$cmdline" in *--no-sandbox*) fail "engine process $pid runs without its sandbox: $cmdline" ;; esac
  case "$cmdline" in *--type=zygote*) ;; *) continue ;; esac
  case "$cmdline" in *--no-zygote-sandbox*) continue ;; esac
  [ "$(readlink "/proc/$pid/ns/user")" != "$(readlink "/proc/$client/ns/user")" ] ||
    [ "$(readlink "/proc/$pid/ns/pid")" != "$(readlink "/proc/$client/ns/pid")" ] ||
    fail "engine process $pid shares the browser's namespaces"
  echo "sandboxed engine process $pid: user ns $(readlink "/proc/$pid/ns/user") (browser's $(readlink "/proc/$client/ns/user")), pid ns $(readlink "/proc/$pid/ns/pid"), $(grep Seccomp: "/proc/$pid/status" | tr -s '\t' ' ')"
  sandboxed=$((sandboxed + 1))
done
# The sandboxed zygote and at least the launcher's renderer.
[ "$sandboxed" -ge 2 ] || fail "fewer sandboxed engine processes than a zygote and a renderer"

# The shortcut written at start-up is a valid entry for the installed program.
shortcut="$home/Desktop/Quorvane.desktop"
[ -f "$shortcut" ] || fail "no desktop shortcut written"
desktop-file-validate "$shortcut"
grep -qx "Exec=\"$root/usr/games/quorvane\"" "$shortcut" || fail "shortcut points elsewhere: $(cat "$shortcut")"
grep -qx "Icon=quorvane" "$shortcut" || fail "shortcut without the icon"
echo "== shortcut: $(tr '\n' ' ' <"$shortcut")"
echo "PASS"
