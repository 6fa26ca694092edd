#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under wine64 in
# the private Wine prefix PREFIX (created on first use), headless and without
# Wine's debug output. The program's exit code is this script's.
# wine-run.sh PREFIX --init: only creates the prefix (about 10 s) and starts
# its wineserver. wine-run.sh PREFIX --stop: ends the prefix's session (its
# wineserver and background processes) at once instead of a minute later.
#
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR, so ctest and
# gtest_discover_tests run the test .exe files through it. A wineserver is
# kept alive for a minute after the last program ends: starting one per test
# would cost about a second each.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh PREFIX PROGRAM [ARGS...] | wine-run.sh PREFIX --init" >&2
  exit 125
fi
# Wine takes only an absolute prefix.
prefix="$(realpath -m -- "$1")"
shift

wine="$(command -v wine64 || true)"
[ -n "$wine" ] || wine=/usr/lib/wine/wine64
server="$(command -v wineserver || true)"
[ -n "$server" ] || server=/usr/lib/wine/wineserver
if [ ! -x "$wine" ]; then
  echo "wine-run.sh: wine64 not found (Debian package wine64)" >&2
  exit 125
fi

export WINEPREFIX="$prefix"
if [ "$1" = --stop ]; then
  [ ! -d "$prefix" ] || "$server" --kill >/dev/null 2>&1 || true
  exit 0
fi
export WINEDEBUG=-all
# No Mono or Gecko downloads, no menu entries in the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# No display: Wine then loads no graphics driver, and needs none.
unset DISPLAY WAYLAND_DISPLAY

mkdir -p "$(dirname "$prefix")"
# One program at a time sets the prefix up or starts its session: tests run
# in parallel must not do either twice.
exec 9>"$prefix.lock"
flock 9
if [ ! -e "$prefix/.quorvane-ready" ]; then
  "$wine" wineboot --init </dev/null >/dev/null 2>&1 9>&- || true
  "$server" --wait 9>&- || true
  [ -f "$prefix/system.reg" ] || { echo "wine-run.sh: cannot set up $prefix" >&2; exit 125; }
  touch "$prefix/.quorvane-ready"
fi
# A fresh server starts the session's own processes (services.exe and what it
# runs) from the first program, and they keep that program's stderr open for
# as long as the session lasts: ctest would wait for them. So a program with
# no output starts them. None of them may keep the lock (descriptor 9). The server's exit status
# says whether it is fresh (0) or one was running already.
if "$server" --persistent=60 </dev/null >/dev/null 2>&1 9>&-; then
  "$wine" cmd /c exit </dev/null >/dev/null 2>&1 9>&- || true
fi
exec 9>&-
[ "$1" != --init ] || exit 0
exec "$wine" "$@"
