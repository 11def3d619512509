#!/bin/sh
# Makes the README's pictures of kiln-view and the world example from the
# example models: docs/pictures/globe.png, globe-wireframe.png and ring.png.
# Run from anywhere after `make build`; draws under an X server of its own.
#   docs/make-pictures.sh [BUILD_DIR]
set -eu
here=$(cd "$(dirname "$0")" && pwd)
bin=$(cd "${1:-$here/../build}" && pwd)/bin
scratch=$(mktemp -d /tmp/kiln-pictures-XXXXXX)
trap 'rm -rf "$scratch"' EXIT

sh "$here/../examples/models/make-models.sh" "$scratch/models" "$bin/kiln-model" > /dev/null
cat > "$scratch/shoot.sh" <<SHOOT
set -eu
cd "$scratch/models"
"$bin/kiln-view" globe.dof --shaders globe.shd --size 400x300 --camera 25,20,4.2 --screenshot ../globe.tga
"$bin/kiln-view" globe.dof --size 400x300 --camera 25,20,4.2 --wireframe --screenshot ../globe-wireframe.tga
"$bin/world_ring" globe.dof --shaders globe.shd --screenshot ../ring.tga > /dev/null 2>&1
SHOOT
LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true xvfb-run -a -s "-screen 0 1280x1024x24" sh "$scratch/shoot.sh"

# Targa rows run from the bottom: -auto-orient turns them upright.
for name in globe globe-wireframe ring; do
  convert "$scratch/$name.tga" -auto-orient -strip -colors 128 "$here/pictures/$name.png"
done
ls -l "$here/pictures"
