#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headlessly.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT/scripts/setup.sh"
# Tests build with warnings as errors; the address-sanitizer build below uses
# clang, so both compilers keep the tree clean.
BUILD_OPTIONS=(-DQUORVANE_WERROR=ON)
build
ensure_display

(cd "$BUILD_DIR" && ctest --output-on-failure --timeout 300 "$@")

# The command servers are threaded socket code: their suites run once more
# under ThreadSanitizer and under AddressSanitizer with UBSan.
sanitized() {
  local name="$1" compiler="$2" flags="$3" dir="$ROOT/build-$1"
  echo "== command tests under $name ($compiler)"
  CXX="$compiler" cmake -S "$ROOT" -B "$dir" -G Ninja -DQUORVANE_BUILD_GUI=OFF \
    -DQUORVANE_BUILD_TOOLS=OFF -DQUORVANE_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="$flags" >/dev/null
  cmake --build "$dir" -j"$(nproc)" --target command_tests
  (cd "$dir" && ctest --output-on-failure --timeout 300 -R 'Test\.')
}
if [ "${QUORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  sanitized tsan g++ "-fsanitize=thread -g -O1"
  sanitized asan clang++ \
    "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
fi
