#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test headlessly.
set -euo pipefail
source "$(dirname "$0")/common.sh"

"$ROOT/scripts/setup.sh"
# Tests build with warnings as errors; the address-sanitizer build below uses
# clang, so both compilers keep the tree clean.
BUILD_OPTIONS=(-DQUORVANE_WERROR=ON)

# The sources stay in the project's format (.clang-format).
echo "== format check"
git -C "$ROOT" ls-files -z '*.cpp' '*.h' | (cd "$ROOT" && xargs -0 clang-format --dry-run --Werror)

build
ensure_display

(cd "$BUILD_DIR" && ctest --no-tests=error --output-on-failure --timeout 300 "$@")

# Below the windows, everything builds for Windows too (MinGW-w64) and its
# suites run under wine64, in a Wine prefix of the build's own.
# QUORVANE_SKIP_WINDOWS=1 skips them.
windows() {
  local dir="$ROOT/build-windows" started=$SECONDS status=0
  echo "== Windows build and its suites under wine64"
  configure "$dir" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DQUORVANE_WERROR=ON \
    -DCMAKE_TOOLCHAIN_FILE="$ROOT/cmake/toolchains/mingw-w64-x86_64.cmake"
  cmake --build "$dir" -j"$(nproc)"
  echo "== Windows build took $((SECONDS - started)) s"
  (cd "$dir" && ctest --no-tests=error --output-on-failure --timeout 300) || status=$?
  "$ROOT/cmake/wine-run.sh" "$dir/wine-prefix" --stop
  echo "== Windows build and suites took $((SECONDS - started)) s"
  return "$status"
}
if [ "${QUORVANE_SKIP_WINDOWS:-0}" != 1 ]; then
  windows
fi

# The command servers are threaded socket code: their suites run once more
# under ThreadSanitizer and under AddressSanitizer with UBSan.
sanitized() {
  local name="$1" compiler="$2" flags="$3" dir="$ROOT/build-$1"
  echo "== command tests under $name ($compiler)"
  CXX="$compiler" configure "$dir" -DQUORVANE_BUILD_GUI=OFF \
    -DQUORVANE_BUILD_TOOLS=OFF -DQUORVANE_WERROR=ON -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_CXX_FLAGS="$flags"
  cmake --build "$dir" -j"$(nproc)" --target command_tests
  (cd "$dir" && ctest --no-tests=error --output-on-failure --timeout 300 -R 'Test\.')
}
if [ "${QUORVANE_SKIP_SANITIZERS:-0}" != 1 ]; then
  sanitized tsan g++ "-fsanitize=thread -g -O1"
  sanitized asan clang++ \
    "-fsanitize=address,undefined -fno-sanitize-recover=undefined -fno-omit-frame-pointer -g -O1"
fi
