#include "model_source.h"

#include <kiln/dgeode.h>
#include <kiln/qfile.h>

#include <sys/mman.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "model_import.h"
#include "path_names.h"

namespace {

// A directory for the converted textures, removed with what it holds.
class ScratchDirectory {
public:
  ScratchDirectory() {
    std::string pattern = kiln::tool::TemporaryDirectory() + "/kiln-view-XXXXXX";
    if (mkdtemp(pattern.data())) path = pattern;
  }
  ~ScratchDirectory() {
    std::error_code ignored;
    if (!path.empty()) std::filesystem::remove_all(path, ignored);
  }
  ScratchDirectory(const ScratchDirectory &) = delete;
  ScratchDirectory &operator=(const ScratchDirectory &) = delete;
  std::string path;
};

// The model's file in memory: written to an anonymous memory file, read
// back whole.
std::unique_ptr<DGeode> ThroughModelFile(const DGeode &converted, const std::string &name,
                                         const std::string &textureDirectory, std::string *error) {
  const int memory = memfd_create("kiln-view", 0);
  if (memory < 0) {
    *error = "no memory for the converted model";
    return nullptr;
  }
  const std::string path = "/proc/self/fd/" + std::to_string(memory);
  bool written;
  {
    QFile out(path.c_str(), QFile::WRITE);
    written = out.IsOpen() && converted.ExportDOF(&out) && out.Flush() == 0;
  }
  auto model = std::make_unique<DGeode>(name.c_str());
  model->SetPath(textureDirectory.c_str());
  bool read = false;
  if (written) {
    QFile in(path.c_str(), QFile::READ | QFile::MEMORY);
    read = in.IsMemoryFile() && model->ImportDOF(&in);
  }
  close(memory);
  if (!read) {
    *error = "the converted model can't be read back";
    return nullptr;
  }
  return model;
}

}  // namespace

std::unique_ptr<DGeode> LoadModel(const std::string &file, std::string *error) {
  if (std::filesystem::is_directory(file)) {
    *error = "'" + file + "' is a directory";
    return nullptr;
  }
  if (kiln::tool::LowerExtension(file) == ".dof") {
    std::unique_ptr<DGeode> model(d3LoadModel(file.c_str()));
    if (!model) *error = "can't load '" + file + "'";
    return model;
  }
  ScratchDirectory textures;
  if (textures.path.empty()) {
    *error = "can't make a directory for the textures";
    return nullptr;
  }
  std::unique_ptr<DGeode> converted = kiln::model::ImportModel(file, textures.path, error);
  if (!converted) return nullptr;
  // The textures are read with the model: their files can go afterwards.
  return ThroughModelFile(*converted, kiln::tool::BaseName(file), textures.path, error);
}
