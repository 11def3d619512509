#!/bin/sh
# Installs every Debian package that the build, the tests, the benchmarks and
# the fuzzers need. Quick when nothing is missing; non-interactive.
#   install-deps.sh          the 64-bit build
#   install-deps.sh i386     also the 32-bit x86 build (adds the architecture)
#   install-deps.sh package  also what checks the Debian packages
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

# The 32-bit build: the compiler's multilib part and the i386 builds of the
# libraries the library, its programs and its tests link (Mesa's drivers
# among them, for the graphical tests under the same Xvfb).
I386_PACKAGES="
  g++-multilib
  libgtest-dev:i386 libgmock-dev:i386
  libjpeg62-turbo-dev:i386 libenet-dev:i386 libassimp-dev:i386 libtinyobjloader-dev:i386 zlib1g-dev:i386
  libx11-dev:i386 libgl-dev:i386 libglu1-mesa-dev:i386 libegl-dev:i386
  libxtst-dev:i386 libxfixes-dev:i386 libxxf86vm-dev:i386
  libgl1-mesa-dri:i386 libegl1:i386 libegl-mesa0:i386
"

PACKAGE_TOOLS="lintian debootstrap"

case "${1:-}" in
  "") ;;
  i386) PACKAGES="$PACKAGES $I386_PACKAGES" ;;
  package) PACKAGES="$PACKAGES $PACKAGE_TOOLS" ;;
  *) echo "usage: install-deps.sh [i386|package]" >&2; exit 2 ;;
esac

missing=""
for package in $PACKAGES; do
  # A library installed for both architectures answers once for each.
  status=$(dpkg-query -W -f='${db:Status-Status} ' "$package" 2>/dev/null || true)
  case "$status" in installed*) ;; *) missing="$missing $package" ;; esac
done

[ -z "$missing" ] && exit 0

echo "Installing:$missing"
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"
export DEBIAN_FRONTEND=noninteractive
if [ "${1:-}" = i386 ] && ! dpkg --print-foreign-architectures | grep -qx i386; then
  $SUDO dpkg --add-architecture i386
fi
# A mirror caught mid-sync fails one index; the others still serve.
$SUDO apt-get update -qq || echo "some package indexes could not be read; going on with the rest"

# A library installed for both architectures must have one version on both.
# Where the i386 index lacks the amd64 one (a security index that failed to
# download), both take the i386 candidate: found by asking apt what it
# cannot install, a few rounds at most.
aligned=""
if [ "${1:-}" = i386 ]; then
  for round in 1 2 3 4 5; do
    # shellcheck disable=SC2086
    unmet=$(apt-get install -s -y --allow-downgrades --no-install-recommends $missing $aligned 2>&1 |
            sed -n 's/.*Depends: \([^ ]*\):i386.*not going to be installed.*/\1/p' | sort -u)
    [ -z "$unmet" ] && break
    for library in $unmet; do
      version=$(apt-cache policy "$library:i386" | awk '/Candidate:/ { print $2 }')
      aligned="$aligned $library:amd64=$version $library:i386=$version"
    done
  done
fi

# shellcheck disable=SC2086
$SUDO apt-get install -y -qq --allow-downgrades --no-install-recommends $missing $aligned
