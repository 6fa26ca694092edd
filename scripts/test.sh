#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headlessly.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT/scripts/setup.sh"
build
ensure_display

cd "$BUILD_DIR"
ctest --output-on-failure --timeout 300 "$@"
