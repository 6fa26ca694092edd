#!/usr/bin/env bash
# Start-up, hand-off, memory, CPU and frame-rate benchmark of the client beside
# a bare engine window. Installs what is missing, builds both, provides a
# display when there is none, and runs the demo site itself.
#   tools/bench/startup.sh [--runs N] [--fps-seconds S] [--cpu-seconds S]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

"$ROOT/scripts/setup.sh"
build quorvane
build bare_engine_window
ensure_display
/usr/bin/python3 "$ROOT/tools/bench/startup_bench.py" --client "$BUILD_DIR/app/quorvane" \
  --bare "$BUILD_DIR/tools/bench/bare_engine_window" --port "$DEMO_PORT" "$@"
