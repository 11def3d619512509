#!/bin/sh
# Makes the example models in OUT_DIR: a textured globe as OBJ with MTL and
# PNG, imported by kiln-model as globe.dof with two lower levels of detail
# (globe_lod1.dof, globe_lod2.dof), and a shader file globe.shd that adds a
# shine to it. Needs ImageMagick; no X display.
#   make-models.sh OUT_DIR [KILN_MODEL]
set -eu
out=$1
here=$(cd "$(dirname "$0")" && pwd)
kiln_model=${2:-$here/../../build/bin/kiln-model}
mkdir -p "$out/source"
cd "$out/source"

# A sphere of radius 1 with texture coordinates: longitude along u,
# latitude along v, faces counter-clockwise seen from outside.
sphere() {
  awk -v seg="$1" -v rings="$2" 'BEGIN {
    pi = atan2(0, -1)
    print "mtllib globe.mtl"
    print "usemtl globe"
    for (j = 0; j <= rings; j++) {
      lat = pi * j / rings - pi / 2
      for (i = 0; i <= seg; i++) {
        lon = 2 * pi * i / seg
        x = cos(lat) * sin(lon); y = sin(lat); z = cos(lat) * cos(lon)
        printf "v %.6f %.6f %.6f\nvn %.6f %.6f %.6f\nvt %.6f %.6f\n", x, y, z, x, y, z, i / seg, j / rings
      }
    }
    for (j = 0; j < rings; j++) {
      for (i = 0; i < seg; i++) {
        a = j * (seg + 1) + i + 1; b = a + 1; c = a + seg + 1; d = c + 1
        printf "f %d/%d/%d %d/%d/%d %d/%d/%d %d/%d/%d\n", a, a, a, b, b, b, d, d, d, c, c, c
      }
    }
  }'
}

sphere 48 24 > globe.obj
sphere 16 8 > globe_lod1.obj
sphere 8 4 > globe_lod2.obj
printf 'newmtl globe\nKa 0.2 0.2 0.2\nKd 1 1 1\nKs 0.3 0.3 0.3\nNs 24\nmap_Kd globe.png\n' > globe.mtl

# Land and sea from a fixed plasma, with lines of latitude and longitude.
convert -size 512x256 -seed 7 plasma:seagreen-steelblue -blur 0x2 \
  -fill none -stroke 'rgba(255,255,255,0.5)' \
  -draw 'line 0,64 511,64' -draw 'line 0,128 511,128' -draw 'line 0,192 511,192' \
  -draw 'line 128,0 128,255' -draw 'line 256,0 256,255' -draw 'line 384,0 384,255' \
  globe.png
convert -size 128x128 radial-gradient:gray45-black "$out/shine.tga"

"$kiln_model" import globe.obj "$out/globe.dof"
"$kiln_model" import globe_lod1.obj "$out/globe_lod1.dof"
"$kiln_model" import globe_lod2.obj "$out/globe_lod2.dof"

# The material "globe" finds this shader by name: the texture, then the
# shine added where the surface faces the viewer.
cat > "$out/globe.shd" <<'SHADERS'
shader_globe
{
layer0
{
map=globe.tga
}
layer1
{
map=shine.tga
blendfunc=one one
texgen_s=sphere_map
texgen_t=sphere_map
}
}
SHADERS
echo "models in $out: globe.dof, globe_lod1.dof, globe_lod2.dof, globe.shd"
