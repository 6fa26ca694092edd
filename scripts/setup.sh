#!/usr/bin/env bash
# Installs whatever this machine lacks to build, run and test the client.
# Safe to run again: packages already present are left alone.
set -euo pipefail

packages=(
  build-essential cmake ninja-build pkg-config git clang clang-format libclang-rt-14-dev
  qt6-base-dev qt6-base-dev-tools qt6-qpa-plugins
  qt6-webengine-dev qt6-webengine-dev-tools qt6-webchannel-dev
  libqt6webenginecore6-bin libqt6svg6 qt6-translations-l10n
  libgtest-dev libgmock-dev libbenchmark-dev
  xvfb xauth openbox trayer xdotool x11-utils x11-xserver-utils imagemagick
  weston qt6-wayland dbus dunst fcitx5 fcitx5-frontend-qt6 fcitx5-pinyin
  dpkg-dev lintian desktop-file-utils appstream
  fonts-noto-cjk fonts-urw-base35 python3 python3-xlib procps
  g++-mingw-w64-x86-64-posix googletest wine64
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done

if [ ${#missing[@]} -eq 0 ]; then
  echo "setup: everything is installed"
  exit 0
fi

echo "setup: installing ${missing[*]}"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}"
