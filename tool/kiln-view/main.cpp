// kiln-view: shows a model file, or any model the importer reads, with the
// library's windows, world, shaders and textures; or renders one picture of
// it without showing anything.
#include <kiln/dgeode.h>
#include <kiln/qapp.h>
#include <kiln/qoffscreen.h>
#include <kiln/qrect.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "model_source.h"
#include "tool_support.h"
#include "viewer.h"

namespace {

const char kHelp[] =
    "usage: kiln-view FILE [--shaders FILE] [--size WxH] [--camera AZ,EL,DIST]\n"
    "                      [--wireframe] [--lod N] [--screenshot OUT]\n"
    "FILE is a model file (its levels \"NAME_lodN.dof\" beside it are loaded too)\n"
    "or any model kiln-model imports (OBJ, glTF, PLY, STL, ...), converted in\n"
    "memory. --shaders loads a shader file first. With --screenshot one frame is\n"
    "rendered and written by OUT's extension (.tga, .jpg, .rgb), nothing shown;\n"
    "without an X display it is rendered offscreen, the same picture.\n"
    "\n"
    "The camera circles the model's bounding sphere: azimuth AZ degrees about the\n"
    "vertical (0 looks from +z, positive turns towards +x), elevation EL degrees,\n"
    "distance DIST; by default 30, 20 and near enough to fill the view. Levels\n"
    "switch by distance unless --lod N shows level N alone.\n"
    "\n"
    "Left drag orbits (half a degree per pixel: dragging right lowers the\n"
    "azimuth), middle drag pans, right drag and the wheel zoom. Keys: w\n"
    "wireframe, l automatic level or each level in turn, r resets the camera,\n"
    "s writes kiln-view-N.tga in the current directory, q quits.\n";

struct Options {
  std::string file, shaders, screenshot;
  int width = 800, height = 600;
  bool cameraGiven = false;
  float azimuth = 0, elevation = 0, distance = 0;
  bool wireframe = false;
  int level = ModelView::kAutomatic;
};

int Error(const std::string &message) { return kiln::tool::Fail("kiln-view", message); }

bool ParseSize(const std::string &text, int *width, int *height) {
  char tail = 0;
  return std::sscanf(text.c_str(), "%dx%d%c", width, height, &tail) == 2 && *width > 0 && *height > 0 &&
         *width <= 8192 && *height <= 8192;
}

bool ParseCamera(const std::string &text, Options *options) {
  char tail = 0;
  return std::sscanf(text.c_str(), "%f,%f,%f%c", &options->azimuth, &options->elevation, &options->distance, &tail) ==
             3 &&
         options->distance > 0;
}

// False on a usage error.
bool Parse(const std::vector<std::string> &args, Options *options) {
  for (std::size_t i = 0; i < args.size(); ++i) {
    const std::string &arg = args[i];
    const bool hasValue = i + 1 < args.size();
    if (arg == "--wireframe") {
      options->wireframe = true;
    } else if (arg == "--shaders" && hasValue) {
      options->shaders = args[++i];
    } else if (arg == "--screenshot" && hasValue) {
      options->screenshot = args[++i];
    } else if (arg == "--size" && hasValue) {
      if (!ParseSize(args[++i], &options->width, &options->height)) return false;
    } else if (arg == "--camera" && hasValue) {
      if (!ParseCamera(args[++i], options)) return false;
      options->cameraGiven = true;
    } else if (arg == "--lod" && hasValue) {
      char *end = nullptr;
      const long level = std::strtol(args[++i].c_str(), &end, 10);
      if (*end || level < 0 || level >= DGeode::kMaxLevels) return false;
      options->level = static_cast<int>(level);
    } else if (arg.rfind("--", 0) != 0 && options->file.empty()) {
      options->file = arg;
    } else {
      return false;
    }
  }
  return !options->file.empty();
}

// Loads the shaders and the model into the view with the options' level and
// wireframe, and frames the camera; the reason when it can't be shown.
std::string Prepare(const Options &options, ModelView &view, OrbitCamera *camera) {
  if (!options.shaders.empty() && !view.LoadShaders(options.shaders))
    return "can't read the shaders of '" + options.shaders + "'";
  std::string error;
  std::unique_ptr<DGeode> model = LoadModel(options.file, &error);
  if (!model || !view.Show(std::move(model), &error)) return error;
  if (options.level != ModelView::kAutomatic && !view.SetLevel(options.level))
    return "no level " + std::to_string(options.level) + ": " + std::to_string(view.GetLevelCount()) + " loaded";
  view.wireframe = options.wireframe;

  const DBox &bounds = view.GetBounds();
  camera->Frame((bounds.min + bounds.max) * 0.5f, bounds.GetRadius());
  if (options.cameraGiven) {
    camera->azimuth = options.azimuth;
    camera->elevation = options.elevation;
    camera->distance = options.distance;
  }
  return "";
}

// The picture drawn in an offscreen context, with no display at all.
int RenderOffscreen(const Options &options) {
  QOffscreen offscreen(options.width, options.height);
  if (!offscreen.IsValid()) return Error("no X display, and no offscreen context to draw in");
  // Made after the context and gone before it: the textures live in it.
  ModelView view;
  OrbitCamera camera;
  if (const std::string error = Prepare(options, view, &camera); !error.empty()) return Error(error);
  if (!view.WritePicture(camera, offscreen.GetCanvas(), options.screenshot))
    return Error("can't write '" + options.screenshot + "'");
  return 0;
}

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();
  const std::vector<std::string> args(argv + 1, argv + argc);
  if (!args.empty() && kiln::tool::IsHelpRequest(args[0])) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  Options options;
  if (!Parse(args, &options)) return kiln::tool::Usage(kHelp);
  if (!options.screenshot.empty() && kiln::tool::ImageFormatFor(options.screenshot) < 0)
    return Error("can't write '" + options.screenshot + "': use .tga, .jpg, .jpeg, .rgb or .sgi");

  // A picture needs no window: without a display it is drawn offscreen.
  if (!options.screenshot.empty() && !kiln::tool::HasXDisplay()) return RenderOffscreen(options);

  QApp app("kiln-view", "kiln-view");  // without a display, the process ends here
  app.NoBC();
  app.NoStateManager();
  app.PrefWM(true);
  QRect shell;
  shell.Set(0, 0, options.width, options.height);
  app.PrefShellRect(&shell);
  if (!app.Create()) return Error("can't make the window");
  Viewer viewer(app);
  if (!viewer.IsReady()) return Error("can't make the window");
  OrbitCamera camera;
  if (const std::string error = Prepare(options, viewer.View(), &camera); !error.empty()) return Error(error);
  viewer.SetCamera(camera);

  if (!options.screenshot.empty()) {
    if (!viewer.Screenshot(options.screenshot)) return Error("can't write '" + options.screenshot + "'");
    return 0;
  }
  viewer.Run();
}
