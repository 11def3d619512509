#!/bin/sh
# Files cross the word size unchanged. The programs of two builds (one
# 32-bit, one 64-bit) write every kind of file from the same inputs:
# archives, pictures by every writer, configuration trees, models with their
# materials, geometry and levels, tapes, texture fonts. Each file must be the
# same bytes from both builds, and each build must read the other's files
# and find in them exactly what the other build finds in its own.
#   cross-size.sh BIN_A BIN_B    (needs an X display: fonts are baked on it)
set -eu
a=$(cd "$1" && pwd)
b=$(cd "$2" && pwd)
here=$(cd "$(dirname "$0")/../.." && pwd)
work=$(mktemp -d)
# A reading that fails shows the end of its log.
log=""
trap 'status=$?; [ $status -ne 0 ] && [ -n "$log" ] && tail -n 5 "$log"; rm -rf "$work"' EXIT
cd "$work"

# The inputs, shared by both builds.
mkdir input
convert -size 61x37 gradient:red-blue -fill white -draw "circle 20,18 26,18" \
  -alpha set -channel A -fx "0.25 + 0.75 * i / w" +channel input/picture.tga
cp input/picture.tga input/wood.tga
head -c 70000 /dev/urandom > input/noise.bin
seq 1 20000 > input/count.txt
printf '[general]\nname = kiln\n[screen]\nwidth = 640\n' > input/settings.ini
# Two objects of different shapes: one with texture coordinates, one
# without, each with its own material. Both bring their normals: normals the
# importer makes are Assimp's sums, which Debian's i386 build rounds in the
# x87's wider registers, a last bit apart from the 64-bit build's.
cat > input/parts.obj <<'EOF'
mtllib parts.mtl
o textured
usemtl wood
v 0 0 0
v 1 0 0
v 1 1 0
v 0 1 0
vt 0 0
vt 1 0
vt 1 1
vt 0 1
vn 0 0 1
f 1/1/1 2/2/1 3/3/1 4/4/1
o plain
usemtl paint
v 2 0 0
v 3 0 0.5
v 2.5 1 -0.25
vn 0 0.6 0.8
f 5//2 6//2 7//2
EOF
printf 'newmtl wood\nKd 0.6 0.4 0.2\nmap_Kd wood.tga\nnewmtl paint\nKd 0.1 0.2 0.9\nKs 1 1 1\nNs 40\n' \
  > input/parts.mtl

# Writes every kind of file with the programs in $1 into the directory $2.
write() {
  bin=$1 out=$2 input=$work/input
  mkdir -p "$out"
  # Relative names: the SGI writer keeps the name in its header.
  cd "$out"
  (cd "$input" && "$bin/kiln-ar" c "$out/files.ar" noise.bin count.txt settings.ini >/dev/null)
  for ext in tga rgb jpg; do
    "$bin/kiln-image" convert "$input/picture.tga" "picture.$ext" >/dev/null
  done
  "$bin/kiln-image" convert "$input/picture.tga" grey.jpg --gray --quality 70 >/dev/null
  cp "$input/settings.ini" settings.ini
  "$bin/kiln-info" set settings.ini screen.height 480 >/dev/null
  "$bin/kiln-info" set settings.ini general.name "kiln, twice" >/dev/null
  "$bin/kiln-model" import "$input/parts.obj" parts.dof >/dev/null
  sh "$here/examples/models/make-models.sh" "$out/models" "$bin/kiln-model" >/dev/null
  rm -r models/source
  # A recorder runs until it has written 30 records (the closed pipe ends
  # it); the first 25 are cut.
  mkdir recording
  (cd recording && exec "$bin/kiln_recorder" record --every 1) | while read -r word count; do
    [ "$word" = recorded ] && [ "$count" -ge 30 ] && break
  done
  "$bin/kiln-tape" cut recording/temptape.vcr 25 tape.vcr >/dev/null
  rm -r recording
  "$bin/kiln-font" bake fixed 13 font --range 32-126 --outline >/dev/null
  cd "$work"
}

# Reads every file in the directory $2 with the programs in $1 and prints
# what it found.
read_all() {
  bin=$1 dir=$2
  cd "$dir"
  "$bin/kiln-ar" t -v files.ar
  mkdir -p "$work/extract" && rm -rf "$work/extract"/*
  "$bin/kiln-ar" x files.ar -C "$work/extract" >/dev/null
  (cd "$work/extract" && md5sum noise.bin count.txt settings.ini)
  for picture in picture.tga picture.rgb picture.jpg grey.jpg font.tga font_outline.tga; do
    "$bin/kiln-image" info "$picture"
    "$bin/kiln-image" convert "$picture" "$work/back.tga" >/dev/null
    md5sum < "$work/back.tga"
  done
  "$bin/kiln-info" dump settings.ini
  "$bin/kiln-model" info parts.dof
  for model in models/*.dof; do "$bin/kiln-model" info "$model"; done
  "$bin/kiln-model" export models/globe.dof "$work/globe.obj" >/dev/null
  md5sum < "$work/globe.obj"
  (cd models && "$bin/kiln-model" shaders globe.shd)
  "$bin/kiln-tape" list tape.vcr
  "$bin/kiln-tape" check tape.vcr
  cp tape.vcr "$work/temptape.vcr"
  "$bin/kiln_recorder" use "$work/temptape.vcr"
  "$bin/kiln-font" info font.dtf
  "$bin/kiln-font" show font.dtf "Kiln 1.0: 32 & 64" --screenshot "$work/text.tga" >/dev/null
  md5sum < "$work/text.tga"
  cd "$work"
}

write "$a" "$work/a"
write "$b" "$work/b"
files=$(cd a && find . -type f | sort)
[ "$(echo "$files" | wc -l)" -ge 15 ] || { echo "too few files written: $files"; exit 1; }
[ "$files" = "$(cd b && find . -type f | sort)" ] || { echo "the builds wrote different files"; exit 1; }
for file in $files; do
  cmp "a/$file" "b/$file" || { echo "$file differs between the builds"; exit 1; }
done

# Each build reads the other's files; both must find the same.
log=$work/a_reads_b.txt
read_all "$a" "$work/b" > "$log" 2>&1
log=$work/b_reads_a.txt
read_all "$b" "$work/a" > "$log" 2>&1
log=""
diff a_reads_b.txt b_reads_a.txt || { echo "the builds read the files differently"; exit 1; }
echo "$(echo "$files" | wc -l) files cross the word size unchanged; $(wc -l < a_reads_b.txt) lines of what was read in them alike"
