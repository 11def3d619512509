// Model-file chunks built by their published layouts, piece by piece, so
// that tests can put the pieces in any order, leave some out or damage them.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_writer.h"

namespace kiln::test::dof {

// A tag, the length of the body, the body.
inline std::string Chunk(const char *tag, const std::string &body) {
  return ByteWriter().Text(tag).LE32(static_cast<uint32_t>(body.size())).Text(body).Bytes();
}

inline std::string Joined(const std::vector<std::string> &parts) {
  std::string all;
  for (const std::string &part : parts) all += part;
  return all;
}

// The chunk with the 32-bit length at `at` replaced.
inline std::string WithLength(std::string chunk, std::size_t at, int32_t length) {
  for (int i = 0; i < 4; ++i) chunk[at + i] = static_cast<char>(static_cast<uint32_t>(length) >> (8 * i));
  return chunk;
}

// Every cut of a chunk short of its end: as cut, and with the chunk's own
// length saying where it was cut.
inline std::vector<std::string> Cuts(const std::string &chunk) {
  std::vector<std::string> cuts;
  for (std::size_t cut = 0; cut < chunk.size(); ++cut) {
    cuts.push_back(chunk.substr(0, cut));
    if (cut >= 8) cuts.push_back(WithLength(chunk.substr(0, cut), 4, static_cast<int32_t>(cut - 8)));
  }
  return cuts;
}

inline std::string Mat0(const std::vector<std::string> &parts) { return Chunk("MAT0", Joined(parts) + "MEND"); }
inline std::string Gob1(const std::vector<std::string> &parts) { return Chunk("GOB1", Joined(parts) + "GEND"); }

inline std::string Floats(const std::vector<float> &values) {
  ByteWriter out;
  for (float value : values) out.Float(value);
  return out.Bytes();
}

inline std::string Ints(const std::vector<int32_t> &values) {
  ByteWriter out;
  for (int32_t value : values) out.LE32(static_cast<uint32_t>(value));
  return out.Bytes();
}

// --- materials ---

inline std::string Mhdr(const std::string &name, const std::string &className) {
  return Chunk("MHDR", ByteWriter().String(name).String(className).Bytes());
}
// Ambient, diffuse, specular, emission (r g b a each), shininess.
inline std::string Mcol(const std::vector<float> &seventeen) { return Chunk("MCOL", Floats(seventeen)); }
inline std::string Muvw(const std::vector<float> &seven) { return Chunk("MUVW", Floats(seven)); }
inline std::string Mtra(float transparency, int32_t blendMode) {
  return Chunk("MTRA", Floats({transparency}) + Ints({blendMode}));
}
inline std::string Mcfl(int32_t creationFlags) { return Chunk("MCFL", Ints({creationFlags})); }
inline std::string Mtex(const std::vector<std::string> &names) {
  ByteWriter out;
  out.LE32(static_cast<uint32_t>(names.size()));
  for (const std::string &name : names) out.String(name);
  return Chunk("MTEX", out.Bytes());
}
inline std::string Msub(const std::vector<std::string> &materials) {
  return Chunk("MSUB", Ints({static_cast<int32_t>(materials.size())}) + Joined(materials));
}

inline const std::vector<float> kColours = {0.1f, 0.2f, 0.3f, 1,  0.5f, 0.6f, 0.7f, 0.75f, 0.25f,
                                            0.5f, 0.75f, 1,   0,    0.1f, 0,    1,     12.5f};
inline const std::vector<float> kUvw = {0.5f, 0.25f, 2, 3, 0.125f, 0, 1};

// A material in the order the library writes it, as it writes it back.
inline std::string WrittenMaterial(const std::string &name, const std::vector<std::string> &textures,
                                   const std::vector<std::string> &subs = {}, int32_t blendMode = 0,
                                   int32_t creationFlags = 0) {
  return Mat0({Mhdr(name, "Standard"), Mcol(kColours), Muvw(kUvw), Mtra(0.25f, blendMode), Mcfl(creationFlags),
               Mtex(textures), Msub(subs)});
}

// --- geometry ---

inline std::string Ghdr(int32_t flags, int32_t word, int32_t materialID) {
  return Chunk("GHDR", Ints({flags, word, materialID}));
}
inline std::string Indi(const std::vector<uint16_t> &indices) {
  ByteWriter out;
  out.LE32(static_cast<uint32_t>(indices.size()));
  for (uint16_t index : indices) out.LE16(index);
  return Chunk("INDI", out.Bytes());
}
// n, then n items of `width` floats.
inline std::string Items(const char *tag, const std::vector<float> &values, int width) {
  return Chunk(tag, Ints({static_cast<int32_t>(values.size()) / width}) + Floats(values));
}
inline std::string Vert(const std::vector<float> &xyz) { return Items("VERT", xyz, 3); }
inline std::string Norm(const std::vector<float> &xyz) { return Items("NORM", xyz, 3); }
inline std::string Vcol(const std::vector<float> &rgb) { return Items("VCOL", rgb, 3); }
inline std::string Tver(const std::vector<float> &uv) { return Items("TVER", uv, 2); }
// Four whole arrays: starts, counts, material numbers, vertices per polygon.
inline std::string Brst(const std::vector<int32_t> &starts, const std::vector<int32_t> &counts,
                        const std::vector<int32_t> &materials, const std::vector<int32_t> &perPolygon) {
  return Chunk("BRST", Ints({static_cast<int32_t>(starts.size())}) + Ints(starts) + Ints(counts) + Ints(materials) +
                           Ints(perPolygon));
}

// --- the container ---

inline std::string Counted(const char *tag, const std::vector<std::string> &items) {
  return Chunk(tag, Ints({static_cast<int32_t>(items.size())}) + Joined(items));
}
inline std::string Mats(const std::vector<std::string> &materials) { return Counted("MATS", materials); }
inline std::string Geob(const std::vector<std::string> &geobs) { return Counted("GEOB", geobs); }
inline std::string Dof1(const std::vector<std::string> &chunks) { return Chunk("DOF1", Joined(chunks) + "EDOF"); }

// A small geob drawn with material `material`: one triangle at `offset`.
inline std::string Triangle(int32_t material, float offset = 0) {
  return Gob1({Ghdr(0, 0, material), Indi({0, 1, 2}),
               Vert({offset, 0, 0, offset + 1, 0, 0, offset, 1, 0}), Brst({0}, {9}, {0}, {3})});
}

// A box of `size` on each axis around `at`: 24 corners, 12 triangles facing
// out, with texture coordinates (0 to 1 across each face) and normals when
// asked.
inline std::string Box(int32_t material, std::array<float, 3> size = {1, 1, 1}, std::array<float, 3> at = {0, 0, 0},
                       bool uvs = true, bool normals = false) {
  std::vector<float> corners, coordinates, facing;
  std::vector<uint16_t> indices;
  for (std::size_t axis = 0; axis < 3; ++axis) {
    for (int sign : {-1, 1}) {
      const std::size_t u = (axis + 1) % 3, v = (axis + 2) % 3;
      const auto base = static_cast<uint16_t>(corners.size() / 3);
      for (int corner = 0; corner < 4; ++corner) {
        float p[3], n[3] = {0, 0, 0};
        p[axis] = static_cast<float>(sign) * 0.5f;
        p[u] = (corner & 1 ? 0.5f : -0.5f) * static_cast<float>(sign);
        p[v] = corner & 2 ? 0.5f : -0.5f;
        n[axis] = static_cast<float>(sign);
        for (std::size_t i = 0; i < 3; ++i) corners.push_back(p[i] * size[i] + at[i]);
        facing.insert(facing.end(), n, n + 3);
        coordinates.push_back(corner & 1 ? 1.0f : 0.0f);
        coordinates.push_back(corner & 2 ? 1.0f : 0.0f);
      }
      for (uint16_t i : {0, 1, 2, 2, 1, 3}) indices.push_back(static_cast<uint16_t>(base + i));
    }
  }
  std::vector<std::string> parts = {Ghdr(0, 0, material), Indi(indices), Vert(corners)};
  if (uvs) parts.push_back(Tver(coordinates));
  if (normals) parts.push_back(Norm(facing));
  parts.push_back(Brst({0}, {36 * 3}, {0}, {3}));
  return Gob1(parts);
}

}  // namespace kiln::test::dof
