#!/usr/bin/env bash
# wine-run.sh PREFIX PROGRAM [ARGS...]: runs a Windows program under wine64 in
# the private Wine prefix PREFIX (created on first use), headless and without
# Wine's debug output. The program's exit code is this script's.
#
# The cross build's CMAKE_CROSSCOMPILING_EMULATOR, so ctest and
# gtest_discover_tests run the test .exe files through it. A wineserver is
# kept alive for a minute after the last program ends: starting one per test
# would cost about a second each.
set -euo pipefail

if [ $# -lt 2 ]; then
  echo "usage: wine-run.sh PREFIX PROGRAM [ARGS...]" >&2
  exit 125
fi
prefix="$1"
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
export WINEDEBUG=-all
# No Mono or Gecko downloads, no menu entries in the host's desktop.
export WINEDLLOVERRIDES="mscoree,mshtml=;winemenubuilder.exe=d"
# No display: Wine then loads no graphics driver, and needs none.
unset DISPLAY WAYLAND_DISPLAY

if [ ! -e "$prefix/.quorvane-ready" ]; then
  mkdir -p "$(dirname "$prefix")"
  # Tests discovered in parallel must not set the prefix up twice at once.
  exec 9>"$prefix.lock"
  flock 9
  if [ ! -e "$prefix/.quorvane-ready" ]; then
    "$wine" wineboot --init >/dev/null 2>&1 || true
    "$server" --wait || true
    [ -f "$prefix/system.reg" ] || { echo "wine-run.sh: cannot set up $prefix" >&2; exit 125; }
    touch "$prefix/.quorvane-ready"
  fi
  exec 9>&-
fi
# Exits at once when this prefix's server already runs.
"$server" --persistent=60 >/dev/null 2>&1 || true
exec "$wine" "$@"
