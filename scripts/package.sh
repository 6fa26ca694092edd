#!/usr/bin/env bash
# Builds the Debian package for a chosen set of deployment values, e.g.
#   scripts/package.sh -DQUORVANE_START_HOST=play.example.com -DQUORVANE_PORTAL_HOST=...
# and prints its path. The build goes to build-package/ unless BUILD_DIR says.
set -euo pipefail
BUILD_DIR="${BUILD_DIR:-$(cd "$(dirname "$0")/.." && pwd)/build-package}"
source "$(dirname "$0")/common.sh"

"$ROOT/scripts/setup.sh"
BUILD_OPTIONS=(-DQUORVANE_BUILD_TESTS=OFF "$@")
build
(cd "$BUILD_DIR" && cpack -G DEB >/dev/null)
ls "$BUILD_DIR"/quorvane_*_amd64.deb
