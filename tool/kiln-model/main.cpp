// kiln-model: checks model files and shader files as a 3D program would
// load them, and says what is wrong with them.
#include <kiln/dgeob.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dmaterial.h>
#include <kiln/dshader.h>
#include <kiln/dtexture.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qinfo.h>
#include <kiln/qstring.h>
#include <kiln/qutil.h>

#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "gl_session.h"
#include "model_import.h"
#include "model_info.h"
#include "obj_export.h"
#include "path_names.h"
#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-model check FILE.dof     load a model with its levels of detail and check it\n"
    "       kiln-model info FILE.dof      its chunks, materials, geobs, bounds and levels\n"
    "       kiln-model import IN OUT.dof  convert OBJ, glTF, PLY, STL, ... to a model file\n"
    "       kiln-model export FILE.dof OUT.obj\n"
    "                                     write it as OBJ with an MTL beside\n"
    "       kiln-model shaders FILE       list the shaders of a shader file\n"
    "Every warning is printed; the status is 1 when there was one. check and\n"
    "shaders load textures as a program would: in a hidden window on the X\n"
    "display when there is one, else offscreen. info, export and import need\n"
    "no display: they report and write texture names, never pixels.\n";

int messages = 0;

void Count(const char *text) {
  ++messages;
  std::fputs(text, stderr);
}

int Error(const std::string &message) { return kiln::tool::Fail("kiln-model", message); }

int Check(const std::string &file) {
  std::unique_ptr<DGeode> model(d3LoadModel(file.c_str()));
  if (!model) return Error("can't load '" + file + "'");
  int levels = 0;
  while (levels < DGeode::kMaxLevels && model->GetLevel(levels)) ++levels;
  std::printf("%s: %d level%s\n", file.c_str(), levels, levels == 1 ? "" : "s");
  for (int i = 0; i < levels; ++i) {
    DGeode *level = model->GetLevel(i);
    level->CheckIndices();
    int vertices = 0, triangles = 0;
    for (int g = 0; g < level->GetGeobCount(); ++g) {
      vertices += level->GetGeob(g)->GetVertexCount();
      triangles += level->GetGeob(g)->GetIndexCount() / 3;
    }
    std::printf("  level %d %s: from %g to %g, %d materials, %d geobs, %d vertices, %d triangles\n", i,
                level->GetName(), level->lodNear, level->lodFar, level->GetMaterialCount(), level->GetGeobCount(),
                vertices, triangles);
    for (int m = 0; m < level->GetMaterialCount(); ++m) {
      const DMaterial *material = level->GetMaterial(m);
      std::printf("    material %s:", material->name.CStr());
      for (int t = 0; t < material->GetTextureCount(); ++t) std::printf(" %s", material->GetTextureName(t));
      std::printf(material->GetTextureCount() ? "\n" : " no textures\n");
    }
  }
  return messages ? kiln::tool::kFailure : 0;
}

int Shaders(const std::string &file) {
  if (!QFileExists(file.c_str())) return Error("can't read '" + file + "'");
  QInfo info(file.c_str());
  std::vector<std::string> paths;
  QInfoIterator trees(&info, "");
  for (qstring name; trees.GetNext(name, false);) {
    if (std::string(name.CStr()).rfind("shader_", 0) == 0) paths.push_back(name.CStr());
  }
  if (paths.empty()) std::printf("%s: no shaders\n", file.c_str());
  DShaderLoader loader;
  for (const std::string &path : paths) {
    DShader shader;
    if (!loader.Load(info, path.c_str(), &shader, "")) continue;
    std::printf("%s: %d layer%s, sort key %d\n", shader.name.CStr(), shader.layerCount,
                shader.layerCount == 1 ? "" : "s", shader.sortKey);
    for (int i = 0; i < shader.layerCount; ++i) {
      qstring map;
      info.GetString((path + ".layer" + std::to_string(i) + ".map").c_str(), map);
      std::printf("  layer %d: %s%s\n", i, map.CStr(), shader.layers[i].texture ? "" : " (no texture)");
    }
  }
  return messages ? kiln::tool::kFailure : 0;
}

int Info(const std::string &file) {
  std::string error;
  if (!kiln::model::PrintInfo(file, &error)) return Error(error);
  return 0;
}

// On a terminal: how far the import has come, on one line.
void ShowProgress(float done) {
  static int shown = -1;
  const int percent = static_cast<int>(done * 100);
  if (percent == shown) return;
  shown = percent;
  std::fprintf(stderr, "\rreading %3d%%", percent);
  std::fflush(stderr);
}

int Import(const std::string &in, const std::string &out) {
  const bool terminal = isatty(STDERR_FILENO);
  std::string error;
  std::unique_ptr<DGeode> model =
      kiln::model::ImportModel(in, kiln::tool::DirectoryOf(out), &error, terminal ? ShowProgress : nullptr);
  if (terminal) std::fputs(model ? "\rwriting     " : "\r            \r", stderr);
  if (!model) return Error(error);
  model->SetName(kiln::tool::BaseName(out).c_str());
  // Written beside and renamed when whole: never a half-written model.
  const std::string partial = out + ".partial";
  bool written = false;
  {
    QFile file(partial.c_str(), QFile::WRITE);
    written = file.IsOpen() && model->ExportDOF(&file) && file.Flush() == 0;
  }
  if (terminal) std::fputs("\r            \r", stderr);
  if (!written || std::rename(partial.c_str(), out.c_str()) != 0) {
    std::remove(partial.c_str());
    return Error("can't write '" + out + "'");
  }
  return 0;
}

int Export(const std::string &file, const std::string &out) {
  std::unique_ptr<DGeode> model(d3LoadModel(file.c_str(), nullptr, nullptr, 99999.0f, false));
  if (!model) return Error("can't load '" + file + "'");
  // Never a copy that silently lacks part of the model.
  if (const std::string dropped = kiln::model::DroppedParts(file, *model); !dropped.empty())
    return Error("'" + file + "' loads incomplete (" + dropped + "): nothing written");
  std::string error;
  if (!kiln::model::ExportObj(*model, out, &error)) return Error(error);
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();
  qwarn_set_callback(Count);
  qerr_set_callback(Count);
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return kiln::tool::Usage(kHelp);
  if (kiln::tool::IsHelpRequest(args[0])) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  const std::string &command = args[0];
  const bool known = ((command == "check" || command == "shaders" || command == "info") && args.size() == 2) ||
                     ((command == "export" || command == "import") && args.size() == 3);
  if (!known) return kiln::tool::Usage(kHelp);
  if (command == "check" || command == "shaders") {
    GLSession session;
    if (!session.IsReady()) return Error("textures need OpenGL: no X display, and no offscreen context");
    return command == "check" ? Check(args[1]) : Shaders(args[1]);
  }
  // Names, not pixels: the textures are never decoded, and with no GL
  // context current none are made.
  d3Global().textureFlags &= ~DGTF_LOAD_IMAGES;
  if (command == "info") return Info(args[1]);
  if (command == "import") return Import(args[1], args[2]);
  return Export(args[1], args[2]);
}
