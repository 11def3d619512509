#!/bin/sh
# Makes the pictures of the README's gallery and the guide from the example
# programs and the example models, into docs/pictures: kiln-view's globe
# (globe.png, globe-wireframe.png), and one small picture per example
# (bc_square.png, canvas_text.png, slides.png, lower_third.png,
# model_viewer_min.png, ring.png, offscreen_render.png).
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
"$bin/world_ring" globe.dof --shaders globe.shd --screenshot ../ring.tga
"$bin/model_viewer_min" globe.dof --shaders globe.shd --screenshot ../model_viewer_min.tga
env -u DISPLAY "$bin/offscreen_render" globe.dof ../offscreen_render.tga --shaders globe.shd
cd ..
"$bin/bc_square" --screenshot bc_square.tga
"$bin/canvas_text" --screenshot canvas_text.tga
"$bin/slides" --screenshot slides.tga
"$bin/lower_third" --screenshot lower_third.tga
SHOOT
LP_NUM_THREADS=0 MESA_SHADER_CACHE_DISABLE=true xvfb-run -a -s "-screen 0 1280x1024x24" sh "$scratch/shoot.sh" \
  > /dev/null 2>&1

# Targa rows run from the bottom: -auto-orient turns them upright. The
# gallery's pictures are 256 pixels wide.
for name in globe globe-wireframe; do
  convert "$scratch/$name.tga" -auto-orient -strip -colors 128 "$here/pictures/$name.png"
done
for name in ring bc_square canvas_text slides lower_third model_viewer_min offscreen_render; do
  convert "$scratch/$name.tga" -auto-orient -strip -resize 256x -colors 128 "$here/pictures/$name.png"
done
ls -l "$here/pictures"
