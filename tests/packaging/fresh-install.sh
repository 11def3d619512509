#!/bin/sh
# The packages as a new user meets them: a fresh minimal Debian 12 (made by
# debootstrap in a scratch directory) with only apt-get and the package
# files; apt-get installs them with every dependency; the programs run; a
# consumer builds against the installed headers with find_package(Kiln) and
# with pkg-config, on the shared library and on the static archives, and
# runs. Needs root and the Debian mirror.
#   fresh-install.sh DIR
set -eu
dir=$(cd "$1" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
mirror=${KILN_DEBIAN_MIRROR:-http://deb.debian.org/debian}
root=$(mktemp -d /tmp/kiln-fresh-XXXXXX)
chmod 755 "$root"
cleanup() {
  for mount in proc dev/pts dev; do umount "$root/$mount" 2>/dev/null || true; done
  rm -rf "$root"
}
trap cleanup EXIT

echo "debootstrap: a minimal Debian 12 in $root"
debootstrap --variant=minbase bookworm "$root" "$mirror" >"$root.log" 2>&1 || { tail "$root.log"; exit 1; }
rm -f "$root.log"
mount -t proc proc "$root/proc"
mount --bind /dev "$root/dev"
mount --bind /dev/pts "$root/dev/pts"
cp /etc/resolv.conf "$root/etc/resolv.conf"
mkdir -p "$root/packages" "$root/consumer"
cp "$dir"/*.deb "$root/packages/"
cp "$here"/tests/install/consumer/* "$root/consumer/"

inside() { chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root \
             DEBIAN_FRONTEND=noninteractive sh -euc "$1"; }

echo "apt-get install ./packages/*.deb"
inside 'apt-get update -qq && apt-get install -y -qq ./packages/*.deb >/dev/null'
inside 'dpkg -l libkiln1 libkiln-dev kiln-tools | tail -3'

echo "the programs"
inside '
  cd /tmp && mkdir -p tree/Sub && touch tree/Sub/README.TXT
  tindle tree | tail -1
  find tree | sort
  kiln-ar c notes.ar tree/sub/readme.txt && kiln-ar t -v notes.ar
  printf "v 0 0 0\nv 1 0 0\nv 0 1 0\nvn 0 0 1\nf 1//1 2//1 3//1\n" > one.obj
  kiln-model import one.obj one.dof && kiln-model info one.dof | head -5
'

echo "consumers: find_package(Kiln) and pkg-config, shared and static"
inside 'apt-get install -y -qq --no-install-recommends g++ cmake make >/dev/null'
inside '
  cd /consumer
  cmake -S . -B build >/dev/null && cmake --build build >/dev/null
  for program in consumer consumer_static; do
    ./build/$program
    ./build/remote_$program --own-tmp
    if ldd ./build/$program | grep -q libkiln.so.1; then echo "  $program: shared"; else echo "  $program: static"; fi
  done
  for module in kiln kiln-static; do
    c++ -std=c++17 -o pc-$module consumer.cpp $(pkg-config --cflags --libs $module)
    ./pc-$module
    if ldd ./pc-$module | grep -q libkiln.so.1; then echo "  pc-$module: shared"; else echo "  pc-$module: static"; fi
  done
' > "$root/consumers.txt"
cat "$root/consumers.txt"
[ "$(grep -c "consumer ok" "$root/consumers.txt")" -eq 4 ] || { echo "a consumer failed"; exit 1; }
[ "$(grep -c "remote ok" "$root/consumers.txt")" -eq 2 ] || { echo "a remote output failed"; exit 1; }
for expected in "consumer: shared" "consumer_static: static" "pc-kiln: shared" "pc-kiln-static: static"; do
  grep -q "$expected" "$root/consumers.txt" || { echo "not linked as expected: $expected"; exit 1; }
done
echo "fresh install ok"
