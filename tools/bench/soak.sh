#!/usr/bin/env bash
# Soak benchmark: the client's memory, engine processes, threads and
# descriptors over many round trips between the server list and the game,
# beside a bare engine window with --compare-bare. Installs what is missing,
# builds both, provides a display when there is none, runs the demo site.
#   tools/bench/soak.sh [--rounds N] [--compare-bare] [--game-seconds S]
set -euo pipefail
source "$(dirname "$0")/../../scripts/common.sh"

"$ROOT/scripts/setup.sh"
build quorvane
build bare_engine_window
ensure_display
/usr/bin/python3 "$ROOT/tools/bench/soak_bench.py" --client "$BUILD_DIR/app/quorvane" \
  --bare "$BUILD_DIR/tools/bench/bare_engine_window" --port "$DEMO_PORT" "$@"
