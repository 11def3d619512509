// How models are read through Assimp: the post-processing steps and the
// importer's settings, shared by the importer and whatever measures it.
#pragma once

#include <assimp/Importer.hpp>
#include <assimp/config.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

namespace kiln::model {

// Triangles with joined vertices, meshes split for 16-bit indices, node
// transforms applied, unused materials dropped, normals where missing.
// No FlipUVs: Assimp gives glTF's texture coordinates in OpenGL's
// orientation already, which is the library's.
constexpr unsigned kImportSteps = aiProcess_Triangulate | aiProcess_JoinIdenticalVertices |
                                  aiProcess_SplitLargeMeshes | aiProcess_PreTransformVertices |
                                  aiProcess_RemoveRedundantMaterials | aiProcess_GenSmoothNormals |
                                  aiProcess_SortByPType | aiProcess_ValidateDataStructure;

inline void ConfigureImporter(Assimp::Importer &importer) {
  importer.SetPropertyInteger(AI_CONFIG_PP_SLM_VERTEX_LIMIT, 65535);
  importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
}

}  // namespace kiln::model
