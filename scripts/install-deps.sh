#!/bin/sh
# Installs every Debian package that the build, the tests, the benchmarks and
# the fuzzers need. Quick when nothing is missing; non-interactive.
set -eu

PACKAGES="
  build-essential cmake make pkg-config git
  googletest libgtest-dev libgmock-dev libbenchmark-dev
  clang libclang-rt-14-dev llvm
  rename time libinih-dev zlib1g-dev liblz4-dev
  libjpeg62-turbo-dev imagemagick libstb-dev
  libenet-dev iproute2 libassimp-dev libtinyobjloader-dev
  xvfb xauth xserver-xorg-core xserver-xorg-video-dummy libx11-dev libgl-dev libglu1-mesa-dev libgl1-mesa-dri libegl-dev libegl1 libegl-mesa0 libxtst-dev libxfixes-dev libxxf86vm-dev
  xfonts-base xfonts-75dpi xfonts-100dpi
  doxygen graphviz
"

missing=""
for package in $PACKAGES; do
  status=$(dpkg-query -W -f='${db:Status-Status}' "$package" 2>/dev/null || true)
  [ "$status" = "installed" ] || missing="$missing $package"
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --no-install-recommends $missing
