#include "model_import.h"

#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dmaterial.h>
#include <kiln/qbitmap.h>

#include <assimp/BaseImporter.h>
#include <assimp/DefaultIOSystem.h>
#include <assimp/IOStream.hpp>
#include <assimp/ProgressHandler.hpp>
#include <assimp/material.h>
#include <stb/stb_image.h>

#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <set>
#include <string_view>
#include <vector>

#include "import_steps.h"
#include "path_names.h"
#include "ply_header.h"

namespace kiln::model {

namespace {

int PowerOfTwo(int size) {
  int power = 1;
  while (power < size) power *= 2;
  return power;
}

// Decoded pixels in the library's order (rows from the bottom), or none.
std::unique_ptr<QBitMap> Pixels(const unsigned char *rgba, int width, int height) {
  auto bitmap = std::make_unique<QBitMap>(32, width, height);
  for (int y = 0; y < height; ++y) {
    std::copy_n(rgba + static_cast<std::size_t>(y) * width * 4, static_cast<std::size_t>(width) * 4,
                bitmap->GetAddress(0, height - 1 - y));
  }
  return bitmap;
}

class TextureWriter {
public:
  TextureWriter(const aiScene &scene, std::string modelDirectory, std::string outDirectory)
      : scene(scene), modelDirectory(std::move(modelDirectory)), outDirectory(std::move(outDirectory)) {}

  // The name of the Targa file written for the material's texture, or
  // empty (with the reason) when it can't be read.
  std::string Write(const std::string &reference, std::string *problem) {
    std::string path = reference;
    std::replace(path.begin(), path.end(), '\\', '/');
    std::unique_ptr<QBitMap> bitmap = Decode(path, problem);
    if (!bitmap) return "";
    if (tool::LowerExtension(path) == ".bmp") bitmap->KeyMagenta();
    if (outDirectory.empty()) return "";  // decoded only
    const int width = PowerOfTwo(bitmap->GetWidth()), height = PowerOfTwo(bitmap->GetHeight());
    if (width != bitmap->GetWidth() || height != bitmap->GetHeight()) bitmap->Scale(width, height);
    const std::string name = FreeName(path);
    if (!bitmap->Write((outDirectory + "/" + name).c_str(), QBM_FORMAT_TGA)) {
      *problem = "can't write '" + outDirectory + "/" + name + "'";
      return "";
    }
    return name;
  }
  const std::string &Directory() const { return outDirectory; }

private:
  std::unique_ptr<QBitMap> Decode(const std::string &path, std::string *problem) const {
    int width = 0, height = 0, channels = 0;
    unsigned char *rgba = nullptr;
    if (!path.empty() && path[0] == '*') {
      // Embedded: compressed bytes (height 0) or texels.
      const unsigned index = static_cast<unsigned>(std::atoi(path.c_str() + 1));
      if (index >= scene.mNumTextures) {
        *problem = "no embedded texture " + path;
        return nullptr;
      }
      const aiTexture &texture = *scene.mTextures[index];
      if (texture.mHeight == 0) {
        rgba = stbi_load_from_memory(reinterpret_cast<const stbi_uc *>(texture.pcData), static_cast<int>(texture.mWidth),
                                     &width, &height, &channels, 4);
      } else {
        std::vector<unsigned char> texels;
        for (unsigned i = 0; i < texture.mWidth * texture.mHeight; ++i) {
          const aiTexel &t = texture.pcData[i];
          texels.insert(texels.end(), {t.r, t.g, t.b, t.a});
        }
        return Pixels(texels.data(), static_cast<int>(texture.mWidth), static_cast<int>(texture.mHeight));
      }
    } else if (!modelDirectory.empty()) {
      rgba = stbi_load((modelDirectory + "/" + path).c_str(), &width, &height, &channels, 4);
    } else {
      *problem = "can't read texture '" + path + "' (no files beside a model in memory)";
      return nullptr;
    }
    if (!rgba) {
      *problem = "can't read texture '" + path + "' (" + stbi_failure_reason() + ")";
      return nullptr;
    }
    std::unique_ptr<QBitMap> bitmap = Pixels(rgba, width, height);
    stbi_image_free(rgba);
    return bitmap;
  }

  // The texture's lower-case name as Targa, numbered when taken.
  std::string FreeName(const std::string &path) {
    std::string base = path[0] == '*' ? "embedded" + path.substr(1) : tool::LowerCase(tool::BaseName(path));
    const std::size_t dot = base.rfind('.');
    if (dot != std::string::npos) base.resize(dot);
    std::string name = base + ".tga";
    for (int n = 2; !taken.insert(name).second; ++n) name = base + "_" + std::to_string(n) + ".tga";
    return name;
  }

  const aiScene &scene;
  std::string modelDirectory, outDirectory;
  std::set<std::string> taken;
};

void SetColour(float *to, const aiMaterial &from, const char *key, unsigned type, unsigned index) {
  aiColor4D colour;
  if (from.Get(key, type, index, colour) != AI_SUCCESS) return;
  to[0] = colour.r;
  to[1] = colour.g;
  to[2] = colour.b;
  to[3] = 1;
}

DMaterial *Material(const aiMaterial &from, TextureWriter &textures, std::string *problem) {
  auto *material = new DMaterial;
  aiString name;
  material->name = from.Get(AI_MATKEY_NAME, name) == AI_SUCCESS ? name.C_Str() : "";
  SetColour(material->ambient, from, AI_MATKEY_COLOR_AMBIENT);
  SetColour(material->diffuse, from, AI_MATKEY_COLOR_DIFFUSE);
  SetColour(material->specular, from, AI_MATKEY_COLOR_SPECULAR);
  float shininess = 0, opacity = 1;
  if (from.Get(AI_MATKEY_SHININESS, shininess) == AI_SUCCESS) material->shininess = std::clamp(shininess, 0.0f, 128.0f);
  if (from.Get(AI_MATKEY_OPACITY, opacity) == AI_SUCCESS && opacity < 1) {
    material->transparency = 1 - std::clamp(opacity, 0.0f, 1.0f);
    material->blendMode = 1;
  }
  aiString texture;
  if (from.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS) {
    const std::string written = textures.Write(texture.C_Str(), problem);
    if (written.empty() && !problem->empty()) {
      delete material;
      return nullptr;
    }
    if (!written.empty()) material->AddTextureAs((textures.Directory() + "/" + written).c_str(), written.c_str());
  }
  return material;
}

DGeob *Geob(const aiMesh &mesh, DGeode *geode) {
  std::vector<float> vertices, normals, uvs, colours;
  for (unsigned v = 0; v < mesh.mNumVertices; ++v) {
    vertices.insert(vertices.end(), {mesh.mVertices[v].x, mesh.mVertices[v].y, mesh.mVertices[v].z});
    if (mesh.HasNormals()) normals.insert(normals.end(), {mesh.mNormals[v].x, mesh.mNormals[v].y, mesh.mNormals[v].z});
    if (mesh.HasTextureCoords(0)) uvs.insert(uvs.end(), {mesh.mTextureCoords[0][v].x, mesh.mTextureCoords[0][v].y});
    if (mesh.HasVertexColors(0)) {
      const aiColor4D &c = mesh.mColors[0][v];
      colours.insert(colours.end(), {c.r, c.g, c.b});
    }
  }
  std::vector<uint16_t> indices;
  for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
    for (unsigned i = 0; i < mesh.mFaces[f].mNumIndices; ++i) indices.push_back(static_cast<uint16_t>(mesh.mFaces[f].mIndices[i]));
  }
  DGeobArrays arrays;
  arrays.vertices = vertices.data();
  arrays.vertexCount = static_cast<int>(mesh.mNumVertices);
  arrays.normals = normals.empty() ? nullptr : normals.data();
  arrays.tvertices = uvs.empty() ? nullptr : uvs.data();
  arrays.vcolors = colours.empty() ? nullptr : colours.data();
  arrays.indices = indices.data();
  arrays.indexCount = static_cast<int>(indices.size());
  auto *geob = new DGeob(geode);
  if (!geob->SetGeometry(arrays) || !geob->AddBurst(0, arrays.indexCount, 0, 3)) {
    delete geob;
    return nullptr;
  }
  geob->materialID = static_cast<int>(mesh.mMaterialIndex);
  return geob;
}

}  // namespace

namespace {

// Assimp's reading of files, limited to one: a model read from memory
// reaches no file beside it.
class OnlyFile : public Assimp::DefaultIOSystem {
public:
  explicit OnlyFile(std::string path) : path(std::move(path)) {}
  bool Exists(const char *file) const override { return path == file; }
  Assimp::IOStream *Open(const char *file, const char *mode) override {
    return path == file ? DefaultIOSystem::Open(file, mode) : nullptr;
  }

private:
  std::string path;
};

// Bytes as a file of their own in the temporary directory, named with the
// extension Assimp goes by, removed with the object.
class ScratchFile {
public:
  ScratchFile(const void *bytes, std::size_t size, const std::string &extension) {
    std::string pattern = tool::TemporaryDirectory() + "/kiln-model-XXXXXX." + extension;
    const int fd = mkstemps(pattern.data(), static_cast<int>(extension.size()) + 1);
    if (fd < 0) return;
    path = pattern;
    FILE *file = fdopen(fd, "wb");
    written = file && std::fwrite(bytes, 1, size, file) == size;
    written = (file ? std::fclose(file) == 0 : close(fd) == 0) && written;
  }
  ~ScratchFile() {
    if (!path.empty()) unlink(path.c_str());
  }
  ScratchFile(const ScratchFile &) = delete;
  ScratchFile &operator=(const ScratchFile &) = delete;

  // The file's path; empty when it couldn't be made and filled.
  std::string Path() const { return written ? path : ""; }

private:
  std::string path;
  bool written = false;
};

// Assimp's progress, passed on.
class ProgressRelay : public Assimp::ProgressHandler {
public:
  explicit ProgressRelay(ImportProgress progress) : progress(progress) {}
  bool Update(float done) override {
    if (done >= 0) progress(std::min(done, 1.0f));
    return true;  // go on
  }

private:
  ImportProgress progress;
};

// What in the meshes as read would stop Assimp's steps (which abort the
// process on faces without corners, for one), or "".
std::string MeshDamage(const aiScene &scene) {
  for (unsigned m = 0; m < scene.mNumMeshes; ++m) {
    const aiMesh &mesh = *scene.mMeshes[m];
    for (unsigned f = 0; f < mesh.mNumFaces; ++f) {
      const aiFace &face = mesh.mFaces[f];
      if (face.mNumIndices == 0) return "a face without corners";
      const unsigned kind = face.mNumIndices == 1   ? aiPrimitiveType_POINT
                            : face.mNumIndices == 2 ? aiPrimitiveType_LINE
                            : face.mNumIndices == 3 ? aiPrimitiveType_TRIANGLE
                                                    : aiPrimitiveType_POLYGON;
      if (!(mesh.mPrimitiveTypes & kind)) return "a face of a kind its mesh doesn't declare";
      for (unsigned i = 0; i < face.mNumIndices; ++i) {
        if (face.mIndices[i] >= mesh.mNumVertices) return "a vertex index out of range";
      }
    }
  }
  return "";
}

// Why Assimp would read the file by guessing its format, or "". When
// several readers claim a file's extension and none takes the file,
// Assimp tries all its readers (48 in Debian's 5.2.5) on the first bytes,
// and so would hand a damaged glTF file to readers never meant to see it
// (the OpenGEX one reads past its memory on a few words of text).
std::string GuessProblem(const Assimp::Importer &importer, const std::string &file) {
  const std::string name = tool::LowerCase(file);
  std::string extension;
  std::vector<Assimp::BaseImporter *> claimants;
  for (std::size_t i = 0; i < importer.GetImporterCount(); ++i) {
    std::set<std::string> extensions;
    importer.GetImporter(i)->GetExtensionList(extensions);
    for (const std::string &claimed : extensions) {
      const std::string ending = "." + claimed;
      if (name.size() >= ending.size() && name.compare(name.size() - ending.size(), ending.size(), ending) == 0) {
        claimants.push_back(importer.GetImporter(i));
        extension = ending;
        break;
      }
    }
  }
  if (claimants.size() < 2) return "";  // one reader is used as it is; none leaves guessing to Assimp
  for (Assimp::BaseImporter *reader : claimants) {
    if (reader->CanRead(file, importer.GetIOHandler(), true)) return "";
  }
  return "no reader of " + extension + " files takes this file";
}

// The scene read from the file without steps, checked, then processed;
// null with the reason otherwise.
const aiScene *Read(Assimp::Importer &importer, const std::string &file, std::string *error) {
  if (std::string problem = GuessProblem(importer, file); !problem.empty()) {
    *error = std::move(problem);
    return nullptr;
  }
  const aiScene *read = importer.ReadFile(file, 0);
  if (!read || !read->mRootNode) {
    *error = importer.GetErrorString();
    return nullptr;
  }
  if (const std::string damage = MeshDamage(*read); !damage.empty()) {
    *error = "damaged mesh: " + damage;
    return nullptr;
  }
  const aiScene *scene = importer.ApplyPostProcessing(kImportSteps);
  if (!scene) *error = importer.GetErrorString();
  return scene;
}

std::unique_ptr<DGeode> Convert(const aiScene *scene, const std::string &what, const std::string &modelDirectory,
                                const std::string &textureDirectory, std::string *error) {
  std::vector<const aiMesh *> meshes;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    // Triangles only (the encoding flag of triangulated polygons aside).
    const unsigned types = scene->mMeshes[m]->mPrimitiveTypes;
    if ((types & aiPrimitiveType_TRIANGLE) && !(types & (aiPrimitiveType_POINT | aiPrimitiveType_LINE | aiPrimitiveType_POLYGON)))
      meshes.push_back(scene->mMeshes[m]);
  }
  if (meshes.empty()) {
    *error = "no triangles in " + what;
    return nullptr;
  }
  if (meshes.size() > DGeode::kMaxGeobs || scene->mNumMaterials > DGeode::kMaxMaterials) {
    *error = what + " has " + std::to_string(meshes.size()) + " meshes and " + std::to_string(scene->mNumMaterials) +
             " materials; a model holds at most " + std::to_string(DGeode::kMaxGeobs) + " and " +
             std::to_string(DGeode::kMaxMaterials);
    return nullptr;
  }
  auto geode = std::make_unique<DGeode>();
  TextureWriter textures(*scene, modelDirectory, textureDirectory);
  for (unsigned m = 0; m < scene->mNumMaterials; ++m) {
    DMaterial *material = Material(*scene->mMaterials[m], textures, error);
    if (!material) return nullptr;
    geode->AddMaterial(material);
  }
  for (const aiMesh *mesh : meshes) {
    DGeob *geob = Geob(*mesh, geode.get());
    if (!geob) {
      *error = "out of memory for the mesh '" + std::string(mesh->mName.C_Str()) + "'";
      return nullptr;
    }
    geode->AddGeob(geob);
  }
  return geode;
}

}  // namespace

std::unique_ptr<DGeode> ImportModel(const std::string &file, const std::string &textureDirectory, std::string *error,
                                    ImportProgress progress) {
  if (std::string problem = PlyFileProblem(file); !problem.empty()) {
    *error = std::move(problem);
    return nullptr;
  }
  Assimp::Importer importer;
  ConfigureImporter(importer);
  if (progress) importer.SetProgressHandler(new ProgressRelay(progress));  // the importer owns it
  const aiScene *scene = Read(importer, file, error);
  if (!scene) return nullptr;
  return Convert(scene, "'" + file + "'", tool::DirectoryOf(file), textureDirectory, error);
}

std::unique_ptr<DGeode> ImportModelFromMemory(const void *bytes, std::size_t size, const char *hint,
                                              const std::string &textureDirectory, std::string *error) {
  const std::string format(hint ? hint : "");
  const auto letterOrDigit = [](char c) { return std::isalnum(static_cast<unsigned char>(c)) != 0; };
  if (format.empty() || !std::all_of(format.begin(), format.end(), letterOrDigit)) {
    *error = "no format named '" + format + "'";
    return nullptr;
  }
  if (std::string problem = PlyHeaderProblem(std::string_view(static_cast<const char *>(bytes), size), size, format == "ply");
      !problem.empty()) {
    *error = std::move(problem);
    return nullptr;
  }
  // Read as a file, the way Assimp reads the programs' models: its own
  // reading from memory writes through a wild pointer on some damaged OBJ
  // files that it refuses cleanly from a file.
  const ScratchFile scratch(bytes, size, format);
  if (scratch.Path().empty()) {
    *error = "can't write the " + format + " bytes to a temporary file";
    return nullptr;
  }
  Assimp::Importer importer;
  ConfigureImporter(importer);
  importer.SetIOHandler(new OnlyFile(scratch.Path()));  // the importer owns it
  const aiScene *scene = Read(importer, scratch.Path(), error);
  if (!scene) return nullptr;
  return Convert(scene, "the " + format + " bytes", "", textureDirectory, error);
}

}  // namespace kiln::model
