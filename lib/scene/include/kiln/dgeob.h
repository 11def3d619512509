/// \file
/// One piece of a model's geometry: indexed vertices with optional texture
/// coordinates, normals and vertex colours, divided into bursts, each a run
/// of indices drawn with one material. Stored in model files as a "GOB1"
/// chunk; owned by its geode, which supplies the materials.
#pragma once

#include <cstdint>

#include <kiln/dbox.h>

class DGeode;
class DMaterial;
class QFile;

/// Flags of a geob.
enum DGeobFlags {
  DGOB_TRANSPARENT_PASS = 1,  ///< set by the geode around its second pass
  DGOB_APP_1 = 2,             ///< the application's
  DGOB_APP_2 = 4,             ///< the application's
  DGOB_VBO = 0x10             ///< vertex buffer objects were made
};

/// Geometry handed over whole: every array but the indices has one entry
/// per vertex (positions and normals 3 floats, texture coordinates 2, colours
/// 3 RGB); those not given are left out.
struct DGeobArrays {
  const float *vertices = nullptr;   ///< positions, required
  int vertexCount = 0;               ///< entries of each array
  const float *normals = nullptr;    ///< or null
  const float *tvertices = nullptr;  ///< texture coordinates, or null
  const float *vcolors = nullptr;    ///< colours, or null
  const uint16_t *indices = nullptr;  ///< corners of the polygons
  int indexCount = 0;                 ///< how many
};

/// Geometry of one material: vertex arrays (positions, normals, texture
/// coordinates, colours), indices, and bursts that paint runs of the
/// indices as triangles or quads with the material or its sub-materials.
class DGeob {
public:
  static constexpr int kMaxBursts = 100;  ///< the most bursts a geob holds

  /// An empty geob of the geode (not owned).
  explicit DGeob(DGeode *geode);
  /// Shares the source's arrays, which stay the source's (a geode's copy).
  DGeob(const DGeob &source, DGeode *geode);
  DGeob(const DGeob &) = delete;
  DGeob &operator=(const DGeob &) = delete;
  ~DGeob();

  /// Reads one geob chunk at the file's position, replacing what was held.
  /// Faults of the data are repaired and reported; false for an old "GOB0"
  /// chunk, damage that leaves no sound geometry, or no memory.
  bool ImportDOF(QFile *file);
  /// Writes the geob as a "GOB1" chunk; false when a write fails.
  bool ExportDOF(QFile *file) const;

  /// Copies the arrays, replacing what was held (bursts too), and computes
  /// the bounds; false, holding nothing, without memory.
  bool SetGeometry(const DGeobArrays &arrays);
  /// A burst of triangles (3) or quads (4) over `count` indices from index
  /// `first`, stored as files store them (times the vertices per polygon);
  /// false when the burst table is full or the range isn't whole polygons of
  /// the indices.
  bool AddBurst(int first, int count, int materialNumber, int perPolygon);

  /// Reports every index beyond the arrays it indexes; always true.
  bool CheckIndices() const;
  /// Over all vertices; all zero without vertices.
  void GetBoundingBox(DBox *box) const;
  /// True with at least one vertex.
  bool HasVertices() const { return vertexCount > 0; }
  /// The material of a burst: the geode's material of this geob, or its
  /// sub-material of the burst's number.
  DMaterial *GetBurstMaterial(int burstMtlID) const;

  /// Multiplies every position (and the faces kept with them).
  void ScaleVertices(float x, float y, float z);
  /// Moves every position.
  void Translate(float x, float y, float z);
  /// About the y axis, in radians.
  void Rotate(float angle);
  /// Reverses the winding of a burst's triangles.
  void FlipFaces(int burst);
  /// Lets the normals go.
  void FreeNormals();
  /// Copies the arrays into vertex buffer objects in the current context,
  /// painted from there.
  void EnableVBO();
  /// Paints from the arrays again.
  void DisableVBO() { flags &= ~DGOB_VBO; }

  /// All bursts with their materials; in the transparent pass only the
  /// blended ones.
  void Paint();
  /// The optional client arrays (normals, texture coordinates, colours) as
  /// a painter of many geobs left them on: PaintBurst() given one changes
  /// only those that differ from the geob before and leaves them on, so
  /// that the arrays' state isn't rebuilt for every geob. The painter turns
  /// them off (or pops the client state) when it is done.
  struct ArraysOn {
    bool normals = false;    ///< GL_NORMAL_ARRAY is on
    bool texCoords = false;  ///< GL_TEXTURE_COORD_ARRAY is on
    bool colors = false;     ///< GL_COLOR_ARRAY is on
  };
  /// One burst's indices with the arrays, materials left alone. Without
  /// `arraysOn` the optional arrays are turned on for the burst and off
  /// after it.
  void PaintBurst(int burst, ArraysOn *arraysOn = nullptr);
  /// The index range of a burst; false for one that can't be drawn.
  bool GetBurstRange(int burst, int *first, int *count) const;

  /// The geode it belongs to.
  DGeode *GetGeode() const { return geode; }
  ///@{
  /// The entries of each array, and the bursts.
  int GetVertexCount() const { return vertexCount; }
  int GetIndexCount() const { return indexCount; }
  int GetNormalCount() const { return normalCount; }
  int GetTVertexCount() const { return tvertexCount; }
  int GetVColorCount() const { return vcolorCount; }
  int GetBurstCount() const { return burstCount; }
  ///@}
  ///@{
  /// The arrays (owned by the geob, or by the geob it copies); null for one
  /// it lacks.
  const float *GetVertices() const { return vertices; }
  const uint16_t *GetIndices() const { return indices; }
  const float *GetNormals() const { return normals; }
  const float *GetTVertices() const { return tvertices; }
  const float *GetVColors() const { return vcolors; }
  ///@}
  /// The vertex buffer objects' names: vertex, normal, texture coordinate,
  /// colour (0 when not made).
  const unsigned *GetBuffers() const { return buffers; }

  int flags = 0;       ///< DGeobFlags
  int headerWord = 0;  ///< carried through
  int materialID = 0;  ///< the geode's material the geob is painted with
  ///@{
  /// The bursts: the first index (times the vertices per polygon, as files
  /// store it), the index count (likewise), the sub-material number and the
  /// vertices per polygon (3 or 4).
  int burstStart[kMaxBursts] = {};
  int burstCountIdx[kMaxBursts] = {};
  int burstMtlID[kMaxBursts] = {};
  int burstVperP[kMaxBursts] = {};
  ///@}
  DBox box;                     ///< the bounds of the positions
  float radius = 0;             ///< of the bounding sphere around the centre
  float center[3] = {0, 0, 0};  ///< the box's midpoint

private:
  struct ChunkReader;
  void Free();
  void ComputeBounds();
  void ReportBadBursts() const;

  DGeode *geode;  ///< beside the bounds: culling reads them together
  bool ownsArrays = true;
  float *vertices = nullptr;
  float *faces = nullptr;  ///< nine floats a face; scaled with the vertices
  int faceCount = 0;
  uint16_t *indices = nullptr;
  int indexCount = 0;
  float *normals = nullptr;
  int normalCount = 0;
  float *tvertices = nullptr;
  int tvertexCount = 0;
  float *vcolors = nullptr;
  int vcolorCount = 0;
  unsigned buffers[4] = {};  ///< vertex, normal, texture coordinate, colour
  int vertexCount = 0;
  int burstCount = 0;
};
