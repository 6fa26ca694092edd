# Shared by the run and test scripts: build, a headless display, the demo site.
# shellcheck shell=bash

ROOT="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
BUILD_DIR="${BUILD_DIR:-$ROOT/build}"
DEMO_PORT="${DEMO_PORT:-8731}"
# WebEngine's renderer refuses to start as root unless its sandbox is off.
if [ "$(id -u)" -eq 0 ]; then export QTWEBENGINE_DISABLE_SANDBOX=1; fi
export XDG_RUNTIME_DIR="${XDG_RUNTIME_DIR:-/tmp/runtime-$(id -u)}"
mkdir -p "$XDG_RUNTIME_DIR" && chmod 700 "$XDG_RUNTIME_DIR"

CLEANUP_PIDS=()
cleanup() {
  local pid
  for pid in "${CLEANUP_PIDS[@]}"; do kill "$pid" 2>/dev/null || true; done
  for pid in "${CLEANUP_PIDS[@]}"; do wait "$pid" 2>/dev/null || true; done
}
trap cleanup EXIT

# configure DIR [CMAKE OPTION...]: configures the build in DIR; what CMake
# says goes to DIR/configure.log, shown when configuring fails.
configure() {
  local dir="$1"
  shift
  mkdir -p "$dir"
  if ! cmake -S "$ROOT" -B "$dir" -G Ninja "$@" >"$dir/configure.log" 2>&1; then
    cat "$dir/configure.log" >&2
    echo "configuring $dir failed (log: $dir/configure.log)" >&2
    return 1
  fi
}

# build [TARGET]: configures once and builds everything, or just TARGET, with
# the CMake options in BUILD_OPTIONS.
BUILD_OPTIONS=()
build() {
  configure "$BUILD_DIR" -DCMAKE_BUILD_TYPE=RelWithDebInfo ${BUILD_OPTIONS[@]+"${BUILD_OPTIONS[@]}"}
  cmake --build "$BUILD_DIR" -j"$(nproc)" ${1:+--target "$1"}
}

# Starts Xvfb with a window manager and a tray host when there is no display.
ensure_display() {
  if [ -n "${DISPLAY:-}" ] && xdpyinfo >/dev/null 2>&1; then return; fi
  local n=90
  while [ -e "/tmp/.X11-unix/X$n" ] || [ -e "/tmp/.X$n-lock" ]; do n=$((n + 1)); done
  Xvfb ":$n" -screen 0 1600x900x24 -nolisten tcp >/dev/null 2>&1 &
  CLEANUP_PIDS+=($!)
  export DISPLAY=":$n"
  for _ in $(seq 50); do xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done
  openbox >/dev/null 2>&1 &
  CLEANUP_PIDS+=($!)
  trayer --edge bottom --align right --widthtype request --height 28 --SetDockType true \
    --transparent false --tint 0x202838 >/dev/null 2>&1 &
  CLEANUP_PIDS+=($!)
  sleep 1
  echo "display: started Xvfb on $DISPLAY with openbox and a tray"
}

# Serves demo/site on the loopback address; its request log goes to $1.
start_demo_site() {
  local log="$1"
  python3 "$ROOT/demo/serve.py" --port "$DEMO_PORT" >"$log" 2>&1 &
  CLEANUP_PIDS+=($!)
  for _ in $(seq 50); do grep -q '^serving' "$log" 2>/dev/null && return 0; sleep 0.1; done
  echo "demo site did not start on port $DEMO_PORT:" >&2
  cat "$log" >&2
  return 1
}
