#define GL_GLEXT_PROTOTYPES
#include <kiln/dgeob.h>

#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qmemory.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <vector>

#include "dof_io.h"

using kiln::dof::Span;
using kiln::dof::Writer;

namespace {

template <typename Item>
Item *Allocate(long count) {
  return static_cast<Item *>(QCalloc(static_cast<std::size_t>(count) * sizeof(Item)));
}

// An array of `count` items of `width` values, grown to `wanted` items with
// zeros behind; the old array is freed. Null when there is no memory.
float *Padded(float *array, int count, int wanted, int width) {
  float *grown = Allocate<float>(static_cast<long>(wanted) * width);
  if (grown) std::memcpy(grown, array, sizeof(float) * static_cast<std::size_t>(count) * width);
  QFree(array);
  return grown;
}

}  // namespace

// Reads the sub-chunks of one geob into it.
struct DGeob::ChunkReader {
  DGeob &geob;
  kiln::dof::Reader &in;
  const char *geodeName;
  bool outOfMemory = false;

  // Replaces `array` with `count` items of `width` values read whole; an
  // empty chunk gives `emptyItems` zero items.
  template <typename Item>
  bool ReadArray(const Span &span, Item **array, int *count, int width, int emptyItems) {
    int32_t n;
    if (!in.ReadInt(&n) || !kiln::dof::Reader::CountFits(span, n, static_cast<long>(width * sizeof(Item)))) {
      return false;
    }
    QFree(*array);
    *array = nullptr;
    *count = n;
    const long items = n > 0 ? n : emptyItems;
    if (items == 0) return true;
    *array = Allocate<Item>(items * width);
    if (!*array) {
      outOfMemory = true;
      return false;
    }
    if constexpr (sizeof(Item) == 2) return in.ReadShorts(*array, static_cast<long>(n) * width);
    else return in.ReadFloats(*array, static_cast<long>(n) * width);
  }

  bool ReadBursts(const Span &span) {
    int32_t n;
    if (!in.ReadInt(&n) || !kiln::dof::Reader::CountFits(span, n, 16)) return false;
    // Four whole arrays of n; the first 100 of each are held.
    std::vector<int32_t> all(static_cast<std::size_t>(n) * 4);
    if (!in.ReadInts(all.data(), static_cast<long>(all.size()))) return false;
    geob.burstCount = std::min<int>(n, kMaxBursts);
    int *arrays[4] = {geob.burstStart, geob.burstCountIdx, geob.burstMtlID, geob.burstVperP};
    for (int a = 0; a < 4; ++a) std::copy_n(all.data() + static_cast<std::size_t>(a) * n, geob.burstCount, arrays[a]);
    return true;
  }

  bool ReadSpan(const Span &span) {
    const kiln::dof::Tag &tag = span.tag;
    if (tag.Is("GHDR")) {
      return span.Length() >= 12 && in.ReadInt(&geob.flags) && in.ReadInt(&geob.headerWord) &&
             in.ReadInt(&geob.materialID);
    }
    if (tag.Is("INDI")) {
      if (!ReadArray(span, &geob.indices, &geob.indexCount, 1, 1)) return false;
      if (geob.indexCount == 0) qwarn("Geode %s has empty index geob; better to remove it.", geodeName);
      return true;
    }
    if (tag.Is("VERT")) {
      // An empty chunk still gives one whole vertex, at the origin.
      if (!ReadArray(span, &geob.vertices, &geob.vertexCount, 3, 1)) return false;
      if (geob.vertexCount == 0) qwarn("Geode %s has empty vertex (VERT) chunk; better to remove it.", geodeName);
      return true;
    }
    if (tag.Is("NORM")) return ReadArray(span, &geob.normals, &geob.normalCount, 3, 0);
    if (tag.Is("VCOL")) return ReadArray(span, &geob.vcolors, &geob.vcolorCount, 3, 0);
    if (tag.Is("TVER")) return ReadArray(span, &geob.tvertices, &geob.tvertexCount, 2, 0);
    if (tag.Is("BRST")) return ReadBursts(span);
    qwarn("Skipping unknown geob chunk '%s' of length 0x%x (geode %s)\n", tag.text,
          static_cast<unsigned>(span.Length()), geodeName);
    return true;
  }

  // Normals, colours and texture coordinates for every vertex, once all
  // sub-chunks are in, whatever their order.
  bool PadToVertices() {
    struct Optional {
      float **array;
      int count;
      int width;
      const char *what;
    } optional[] = {{&geob.normals, geob.normalCount, 3, "normals"},
                    {&geob.vcolors, geob.vcolorCount, 3, "vertex colors"},
                    {&geob.tvertices, geob.tvertexCount, 2, "tvertices"}};
    for (const Optional &o : optional) {
      if (o.count <= 0 || o.count >= geob.vertexCount) continue;
      qwarn("Geode %s doesn't have enough %s (%d, need %d)", geodeName, o.what, o.count, geob.vertexCount);
      *o.array = Padded(*o.array, o.count, geob.vertexCount, o.width);
      if (!*o.array) return false;
    }
    return true;
  }
};

DGeob::DGeob(DGeode *geode) : geode(geode) {}

DGeob::DGeob(const DGeob &source, DGeode *geode)
    : flags(source.flags),
      headerWord(source.headerWord),
      materialID(source.materialID),
      box(source.box),
      radius(source.radius),
      geode(geode),
      ownsArrays(false),
      vertices(source.vertices),
      faces(source.faces),
      faceCount(source.faceCount),
      indices(source.indices),
      indexCount(source.indexCount),
      normals(source.normals),
      normalCount(source.normalCount),
      tvertices(source.tvertices),
      tvertexCount(source.tvertexCount),
      vcolors(source.vcolors),
      vcolorCount(source.vcolorCount),
      vertexCount(source.vertexCount),
      burstCount(source.burstCount) {
  std::copy_n(source.burstStart, kMaxBursts, burstStart);
  std::copy_n(source.burstCountIdx, kMaxBursts, burstCountIdx);
  std::copy_n(source.burstMtlID, kMaxBursts, burstMtlID);
  std::copy_n(source.burstVperP, kMaxBursts, burstVperP);
  std::copy_n(source.center, 3, center);
  std::copy_n(source.buffers, 4, buffers);
}

DGeob::~DGeob() { Free(); }

void DGeob::Free() {
  if (ownsArrays) {
    for (void *array : {static_cast<void *>(vertices), static_cast<void *>(faces), static_cast<void *>(indices),
                        static_cast<void *>(normals), static_cast<void *>(tvertices), static_cast<void *>(vcolors)}) {
      QFree(array);
    }
  }
  ownsArrays = true;
  vertices = faces = normals = tvertices = vcolors = nullptr;
  indices = nullptr;
  vertexCount = faceCount = indexCount = normalCount = tvertexCount = vcolorCount = burstCount = 0;
}

bool DGeob::SetGeometry(const DGeobArrays &arrays) {
  Free();
  const int n = arrays.vertexCount > 0 ? arrays.vertexCount : 0;
  const auto copy = [](const void *from, std::size_t bytes) -> void * {
    if (!from || bytes == 0) return nullptr;
    void *to = QMalloc(bytes);
    if (to) std::memcpy(to, from, bytes);
    return to;
  };
  vertices = static_cast<float *>(copy(arrays.vertices, sizeof(float) * 3 * static_cast<std::size_t>(n)));
  normals = static_cast<float *>(copy(arrays.normals, sizeof(float) * 3 * static_cast<std::size_t>(n)));
  tvertices = static_cast<float *>(copy(arrays.tvertices, sizeof(float) * 2 * static_cast<std::size_t>(n)));
  vcolors = static_cast<float *>(copy(arrays.vcolors, sizeof(float) * 3 * static_cast<std::size_t>(n)));
  const int indexTotal = arrays.indexCount > 0 ? arrays.indexCount : 0;
  indices = static_cast<uint16_t *>(copy(arrays.indices, sizeof(uint16_t) * static_cast<std::size_t>(indexTotal)));
  const bool complete = (!arrays.vertices || !n || vertices) && (!arrays.normals || !n || normals) &&
                        (!arrays.tvertices || !n || tvertices) && (!arrays.vcolors || !n || vcolors) &&
                        (!arrays.indices || !indexTotal || indices);
  if (!complete) {
    Free();
    return false;
  }
  vertexCount = vertices ? n : 0;
  normalCount = normals ? n : 0;
  tvertexCount = tvertices ? n : 0;
  vcolorCount = vcolors ? n : 0;
  indexCount = indices ? indexTotal : 0;
  ComputeBounds();
  return true;
}

bool DGeob::AddBurst(int first, int count, int materialNumber, int perPolygon) {
  if (burstCount == kMaxBursts || (perPolygon != 3 && perPolygon != 4) || first < 0 || count < 0 ||
      count % perPolygon != 0 || first > indexCount || count > indexCount - first)
    return false;
  burstStart[burstCount] = first * perPolygon;
  burstCountIdx[burstCount] = count * perPolygon;
  burstMtlID[burstCount] = materialNumber;
  burstVperP[burstCount] = perPolygon;
  ++burstCount;
  return true;
}

// --- the chunk ----------------------------------------------------------------

bool DGeob::ImportDOF(QFile *file) {
  Free();
  kiln::dof::Reader in(file);
  const char *geodeName = geode ? geode->GetName() : "";
  auto damaged = [&](const char *tag, long offset) {
    qwarn("DGeob:ImportDOF(%s); damaged '%s' chunk at offset %ld", geodeName, tag, offset);
    Free();
    return false;
  };
  kiln::dof::Tag outer;
  int32_t length;
  const long start = in.Position();
  if (!in.ReadTag(&outer) || !in.ReadInt(&length) || length < 0 || length > in.FileSize() - in.Position()) {
    return damaged("GOB1", start);
  }
  const long end = in.Position() + length;
  if (outer.Is("GOB0")) {
    in.Seek(end);
    return false;
  }
  ChunkReader reader{*this, in, geodeName};
  for (;;) {
    Span span;
    bool closed;
    const long at = in.Position();
    if (!in.NextSpan(end, "GEND", &span, &closed)) return damaged(span.tag.text, at);
    if (closed) break;
    if (!reader.ReadSpan(span) || !in.Seek(span.end)) {
      if (!reader.outOfMemory) return damaged(span.tag.text, at);
      qwarn("DGeob:ImportDOF(%s); out of memory", geodeName);
      Free();
      return false;
    }
  }
  in.Seek(end);
  if (!reader.PadToVertices()) {
    qwarn("DGeob:ImportDOF(%s); out of memory", geodeName);
    Free();
    return false;
  }
  for (int i = 0; i < indexCount; ++i) {
    if (indices[i] < vertexCount) continue;
    qwarn("Geode %s has bad indices in geob (index[%d]=%d>%d vertices.", geodeName, i, indices[i], vertexCount);
    indices[i] = 0;
  }
  ReportBadBursts();
  ComputeBounds();
  return true;
}

void DGeob::ReportBadBursts() const {
  for (int burst = 0; burst < burstCount; ++burst) {
    int first, count;
    const int perPolygon = burstVperP[burst];
    if ((perPolygon == 3 || perPolygon == 4) && !GetBurstRange(burst, &first, &count)) {
      qwarn("Geode %s has a burst (%d) beyond its %d indices; it is not drawn", geode ? geode->GetName() : "", burst,
            indexCount);
    }
  }
}

bool DGeob::ExportDOF(QFile *file) const {
  Writer out(file);
  out.Tag("GOB1");
  const long chunk = out.BeginLength();
  out.Tag("GHDR").Int(12).Int(flags).Int(headerWord).Int(materialID);
  out.Tag("INDI").Int(4 + 2 * indexCount).Int(indexCount).Shorts(indices, indexCount);
  out.Tag("VERT").Int(4 + 12 * vertexCount).Int(vertexCount).Floats(vertices, 3L * vertexCount);
  if (tvertices) out.Tag("TVER").Int(4 + 8 * tvertexCount).Int(tvertexCount).Floats(tvertices, 2L * tvertexCount);
  if (normals) out.Tag("NORM").Int(4 + 12 * normalCount).Int(normalCount).Floats(normals, 3L * normalCount);
  if (vcolors) out.Tag("VCOL").Int(4 + 12 * vcolorCount).Int(vcolorCount).Floats(vcolors, 3L * vcolorCount);
  out.Tag("BRST").Int(4 + 16 * burstCount).Int(burstCount);
  out.Ints(burstStart, burstCount).Ints(burstCountIdx, burstCount).Ints(burstMtlID, burstCount);
  out.Ints(burstVperP, burstCount);
  out.Tag("GEND").EndLength(chunk);
  return out.Finish();
}

// --- checks, bounds and materials -------------------------------------------------

bool DGeob::CheckIndices() const {
  const char *geodeName = geode ? geode->GetName() : "";
  struct Range {
    const void *array;
    int count;
    const char *what;
  } ranges[] = {{vertices, vertexCount, "vertex"},
                {normals, normalCount, "normals"},
                {tvertices, tvertexCount, "tvertex"},
                {vcolors, vcolorCount, "vcolor"}};
  for (int i = 0; i < indexCount; ++i) {
    for (const Range &range : ranges) {
      if (range.array && indices[i] >= range.count) {
        qerr("DGeob (geode %s); index %d is out of %s range 0..%d.", geodeName, indices[i], range.what, range.count);
      }
    }
  }
  return true;
}

void DGeob::GetBoundingBox(DBox *result) const {
  result->Reset();
  if (vertexCount <= 0) return;
  // From the first vertex: geometry wholly beyond any fixed start is boxed right.
  DVector3 first(vertices[0], vertices[1], vertices[2]);
  result->Set(first, first);
  for (int i = 1; i < vertexCount; ++i) {
    const float *v = vertices + 3 * i;
    result->min = DVector3(std::min(result->min.x, v[0]), std::min(result->min.y, v[1]), std::min(result->min.z, v[2]));
    result->max = DVector3(std::max(result->max.x, v[0]), std::max(result->max.y, v[1]), std::max(result->max.z, v[2]));
  }
}

void DGeob::ComputeBounds() {
  GetBoundingBox(&box);
  const DVector3 middle = (box.min + box.max) * 0.5f;
  center[0] = middle.x;
  center[1] = middle.y;
  center[2] = middle.z;
  radius = vertexCount > 0 ? box.GetRadius() : 0;
}

DMaterial *DGeob::GetBurstMaterial(int mtlID) const {
  const int count = geode ? geode->GetMaterialCount() : 0;
  if (count == 0) return nullptr;
  DMaterial *material = geode->GetMaterial(std::clamp(materialID, 0, count - 1));
  const int subCount = material->GetSubMaterialCount();
  return subCount > 0 ? material->GetSubMaterial(std::clamp(mtlID, 0, subCount - 1)) : material;
}

bool DGeob::GetBurstRange(int burst, int *first, int *count) const {
  if (burst < 0 || burst >= burstCount) return false;
  const int perPolygon = burstVperP[burst];
  if (perPolygon != 3 && perPolygon != 4) return false;
  *first = burstStart[burst] / perPolygon;
  *count = burstCountIdx[burst] / perPolygon;
  return *first >= 0 && *count >= 0 && *first <= indexCount && *count <= indexCount - *first;
}

// --- edits ----------------------------------------------------------------------

void DGeob::ScaleVertices(float x, float y, float z) {
  if (x == 0 && y == 0 && z == 0) qwarn("DGeob:ScaleVertices() scaling by 0; model will be invisible");
  const float factors[3] = {x, y, z};
  for (int i = 0; i < vertexCount * 3; ++i) vertices[i] *= factors[i % 3];
  for (int i = 0; i < faceCount * 9; ++i) faces[i] *= factors[i % 3];
}

void DGeob::Translate(float x, float y, float z) {
  for (int i = 0; i < vertexCount; ++i) {
    vertices[3 * i] += x;
    vertices[3 * i + 1] += y;
    vertices[3 * i + 2] += z;
  }
}

void DGeob::Rotate(float angle) {
  const float c = std::cos(angle), s = std::sin(angle);
  for (int i = 0; i < vertexCount; ++i) {
    float *v = vertices + 3 * i;
    const float x = v[0], z = v[2];
    v[0] = x * c + z * s;
    v[2] = -x * s + z * c;
  }
}

void DGeob::FlipFaces(int burst) {
  if (burst == -1) {
    qwarn("DGeob:FlipFaces(%d) NYI", burst);
    return;
  }
  int first, count;
  if (!GetBurstRange(burst, &first, &count)) {
    qwarn("DGeob:FlipFaces(%d); no such burst of triangles", burst);
    return;
  }
  if (burstVperP[burst] != 3) return;
  const int triangles = count / 3;
  qdbg("DGeob:FlipFaces(); i0=%d, n=%d\n", burstStart[burst] / 9, triangles);
  for (int t = 0; t < triangles; ++t) {
    uint16_t *triangle = indices + first + 3 * t;
    qdbg("%d, %d, %d ->", triangle[0], triangle[1], triangle[2]);
    std::swap(triangle[1], triangle[2]);
    qdbg(" %d, %d, %d\n", triangle[0], triangle[1], triangle[2]);
  }
}

void DGeob::FreeNormals() {
  if (ownsArrays) QFree(normals);
  normals = nullptr;
  normalCount = 0;
}

void DGeob::EnableVBO() {
  if (flags & DGOB_VBO) return;
  flags |= DGOB_VBO;
  struct Array {
    const float *data;
    long bytes;
  } arrays[4] = {{vertices, 12L * vertexCount},
                 {normals, 12L * normalCount},
                 {tvertices, 8L * vertexCount},
                 {vcolors, 12L * vertexCount}};
  bool made = true;
  for (int i = 0; i < 4; ++i) {
    if (!arrays[i].data) continue;
    glGenBuffers(1, &buffers[i]);
    glBindBuffer(GL_ARRAY_BUFFER, buffers[i]);
    glBufferData(GL_ARRAY_BUFFER, arrays[i].bytes, arrays[i].data, GL_STATIC_DRAW);
    made = made && buffers[i] != 0;
  }
  glBindBuffer(GL_ARRAY_BUFFER, 0);
  if (!made) {
    qwarn("DGeob:EnableVBO(); can't generate VBO buffers (%s)", geode ? geode->GetName() : "");
    flags &= ~DGOB_VBO;
  }
}

// --- painting -------------------------------------------------------------------

namespace {

// One indexed draw of a burst's range; false for polygons other than
// triangles and quads.
bool DrawRange(const uint16_t *indices, int perPolygon, int first, int count) {
  if (perPolygon != 3 && perPolygon != 4) {
    qwarn("DGeob; draw poly NYI\n");
    return false;
  }
  glDrawElements(perPolygon == 3 ? GL_TRIANGLES : GL_QUADS, count, GL_UNSIGNED_SHORT, indices + first);
  return true;
}

}  // namespace

void DGeob::Paint() {
  if (vertexCount <= 0 || indexCount <= 0) return;
  const int geodeFlags = geode ? geode->GetFlags() : 0;
  const bool geometryOnly = geodeFlags & DGEODE_GEOMETRY_ONLY;
  const bool falseColors = geodeFlags & DGEODE_FALSE_COLORS;
  bool painted = false, normalsOn = false;
  for (int burst = 0; burst < burstCount; ++burst) {
    DMaterial *material = GetBurstMaterial(burstMtlID[burst]);
    if (!material) {
      qwarn("DGeob::Paint(); no material in burst %d", burst);
      continue;
    }
    if ((flags & DGOB_TRANSPARENT_PASS) && !material->IsBlended()) continue;
    int first = 0, count = 0;
    const bool drawable = GetBurstRange(burst, &first, &count);
    const int perPolygon = burstVperP[burst];
    if (!drawable && (perPolygon == 3 || perPolygon == 4)) continue;  // reported at load
    if (!painted) {
      glEnableClientState(GL_VERTEX_ARRAY);
      painted = true;
    }
    const int layers = material->GetLayerCount();
    for (int layer = 0; layer < layers; ++layer) {
      if (!geometryOnly) {
        if (!material->PrepareToPaint(layer)) continue;
        if (material->IsBlended()) {
          glDepthMask(GL_FALSE);
        } else if (layers == 1) {
          glDepthMask(GL_TRUE);
        } else {
          if (layer == 0) {
            glDisable(GL_BLEND);
          } else {
            glPolygonOffset(static_cast<float>(-layer), 0);
            glEnable(GL_POLYGON_OFFSET_FILL);
          }
          glDepthMask(layer == layers - 1 ? GL_FALSE : GL_TRUE);
        }
      }
      if (falseColors) {
        // Each burst a shade of its own, each material its own mix of channels.
        const int mix = (materialID * 8 + burstMtlID[burst]) % 7 + 1;
        const float shade = static_cast<float>(burst + (geode ? geode->GetFalseColorSeed() : 0)) / 256;
        const float rgba[4] = {(mix & 1) ? 1.0f : shade, (mix & 2) ? 1.0f : shade, (mix & 4) ? 1.0f : shade, 0};
        glDisable(GL_TEXTURE_2D);
        glMaterialfv(GL_FRONT, GL_DIFFUSE, rgba);
      }
      glVertexPointer(3, GL_FLOAT, 0, vertices);
      if (normals) {
        glEnableClientState(GL_NORMAL_ARRAY);
        glNormalPointer(GL_FLOAT, 0, normals);
        normalsOn = true;
      } else {
        glDisableClientState(GL_NORMAL_ARRAY);
      }
      if (tvertices) {
        glEnableClientState(GL_TEXTURE_COORD_ARRAY);
        glTexCoordPointer(2, GL_FLOAT, 0, tvertices);
      } else {
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
      }
      if (vcolors && !(material->flags & DMF_FLAT_COLOR)) {
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(3, GL_FLOAT, 0, vcolors);
        glDisable(GL_LIGHTING);
      } else {
        glDisableClientState(GL_COLOR_ARRAY);
      }
      DrawRange(indices, perPolygon, first, count);
      if (geometryOnly) break;
      material->FinishPaint(layer);
    }
    glDepthMask(GL_TRUE);
    if (layers >= 2) {
      glPolygonOffset(0, 0);
      glDisable(GL_POLYGON_OFFSET_FILL);
    }
  }
  if (!painted) return;
  glDisableClientState(GL_VERTEX_ARRAY);
  if (normalsOn) glDisableClientState(GL_NORMAL_ARRAY);
  glDisableClientState(GL_TEXTURE_COORD_ARRAY);
  glDisableClientState(GL_COLOR_ARRAY);
}

void DGeob::PaintBurst(int burst, ArraysOn *arraysOn) {
  int first, count;
  if (vertexCount <= 0 || indexCount <= 0 || burst < 0 || burst >= burstCount) return;
  const int perPolygon = burstVperP[burst];
  if (!GetBurstRange(burst, &first, &count) && (perPolygon == 3 || perPolygon == 4)) return;
  // An array turned on or off only where it differs from what is on.
  ArraysOn once;
  ArraysOn &on = arraysOn ? *arraysOn : once;
  const auto use = [](bool &isOn, bool wanted, GLenum array) {
    if (isOn == wanted) return;
    wanted ? glEnableClientState(array) : glDisableClientState(array);
    isOn = wanted;
  };
  glVertexPointer(3, GL_FLOAT, 0, vertices);
  use(on.normals, normals != nullptr, GL_NORMAL_ARRAY);
  if (normals) glNormalPointer(GL_FLOAT, 0, normals);
  use(on.texCoords, tvertices != nullptr, GL_TEXTURE_COORD_ARRAY);
  if (tvertices) glTexCoordPointer(2, GL_FLOAT, 0, tvertices);
  use(on.colors, vcolors != nullptr, GL_COLOR_ARRAY);
  if (vcolors) {
    glColorPointer(3, GL_FLOAT, 0, vcolors);
    glDisable(GL_LIGHTING);
  }
  DrawRange(indices, perPolygon, first, count);
  if (arraysOn) return;
  use(on.normals, false, GL_NORMAL_ARRAY);
  use(on.texCoords, false, GL_TEXTURE_COORD_ARRAY);
  use(on.colors, false, GL_COLOR_ARRAY);
}
