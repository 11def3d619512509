#include "egl_pbuffer.h"

// Every EGL function is looked up in the library opened at run time: none
// may be linked by accident.
#define EGL_EGL_PROTOTYPES 0
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/glx.h>
#include <dlfcn.h>

#include <cstring>
#include <string>

#include <kiln/qdebug.h>

namespace kiln::gui {
namespace {

constexpr const char *kLibraryName = "libEGL.so.1";

// libEGL's functions.
struct Library {
  PFNEGLQUERYSTRINGPROC QueryString;
  PFNEGLGETERRORPROC GetError;
  PFNEGLINITIALIZEPROC Initialize;
  PFNEGLCHOOSECONFIGPROC ChooseConfig;
  PFNEGLGETCONFIGATTRIBPROC GetConfigAttrib;
  PFNEGLBINDAPIPROC BindAPI;
  PFNEGLCREATEPBUFFERSURFACEPROC CreatePbufferSurface;
  PFNEGLCREATECONTEXTPROC CreateContext;
  PFNEGLMAKECURRENTPROC MakeCurrent;
  PFNEGLDESTROYSURFACEPROC DestroySurface;
  PFNEGLDESTROYCONTEXTPROC DestroyContext;
  PFNEGLGETCURRENTCONTEXTPROC GetCurrentContext;
  PFNEGLGETCURRENTDISPLAYPROC GetCurrentDisplay;
  PFNEGLGETPROCADDRESSPROC GetProcAddress;
  // Extensions, null when the library doesn't offer them.
  PFNEGLGETPLATFORMDISPLAYEXTPROC GetPlatformDisplay;
  PFNEGLQUERYDEVICESEXTPROC QueryDevices;
};

// The display every pbuffer of the process is made on.
struct Platform {
  EGLDisplay display = EGL_NO_DISPLAY;
  EGLConfig config = nullptr;
};

Library egl{};
bool loaded = false;
bool tried = false;
Platform platform;
bool onlyOne = false;
EGLPlatform onlyPlatform = EGLPlatform::kSurfaceless;

template <typename Function>
bool Find(void *handle, const char *name, Function *function, std::string *why) {
  *function = reinterpret_cast<Function>(dlsym(handle, name));
  if (!*function) *why = std::string(kLibraryName) + " lacks " + name;
  return *function != nullptr;
}

bool Load(std::string *why) {
  void *handle = dlopen(kLibraryName, RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    const char *error = dlerror();
    *why = std::string("no EGL library (") + (error ? error : kLibraryName) + ")";
    return false;
  }
  const bool found =
      Find(handle, "eglQueryString", &egl.QueryString, why) && Find(handle, "eglGetError", &egl.GetError, why) &&
      Find(handle, "eglInitialize", &egl.Initialize, why) && Find(handle, "eglChooseConfig", &egl.ChooseConfig, why) &&
      Find(handle, "eglGetConfigAttrib", &egl.GetConfigAttrib, why) && Find(handle, "eglBindAPI", &egl.BindAPI, why) &&
      Find(handle, "eglCreatePbufferSurface", &egl.CreatePbufferSurface, why) &&
      Find(handle, "eglCreateContext", &egl.CreateContext, why) &&
      Find(handle, "eglMakeCurrent", &egl.MakeCurrent, why) &&
      Find(handle, "eglDestroySurface", &egl.DestroySurface, why) &&
      Find(handle, "eglDestroyContext", &egl.DestroyContext, why) &&
      Find(handle, "eglGetCurrentContext", &egl.GetCurrentContext, why) &&
      Find(handle, "eglGetCurrentDisplay", &egl.GetCurrentDisplay, why) &&
      Find(handle, "eglGetProcAddress", &egl.GetProcAddress, why);
  // The library stays loaded for the process, as the display it opens.
  if (!found) return false;
  egl.GetPlatformDisplay =
      reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(egl.GetProcAddress("eglGetPlatformDisplayEXT"));
  egl.QueryDevices = reinterpret_cast<PFNEGLQUERYDEVICESEXTPROC>(egl.GetProcAddress("eglQueryDevicesEXT"));
  loaded = true;
  return true;
}

bool Offers(const char *extensions, const char *name) {
  const std::size_t length = std::strlen(name);
  for (const char *at = extensions; at && (at = std::strstr(at, name)) != nullptr; at += length) {
    if ((at == extensions || at[-1] == ' ') && (at[length] == ' ' || at[length] == '\0')) return true;
  }
  return false;
}

std::string ErrorText(const char *what) {
  char text[96];
  std::snprintf(text, sizeof text, "%s (EGL error 0x%x)", what, static_cast<unsigned>(egl.GetError()));
  return text;
}

// The pixel format of the windows' visual (8 bits of red, green and blue,
// no alpha, 24 bits of depth and 8 of stencil), so that a picture drawn
// offscreen is the one a window shows; the driver's first choice with
// those buffers when it has none exactly so.
bool ChooseConfig(EGLDisplay display, EGLConfig *config) {
  const EGLint wanted[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT, EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT,
                           EGL_RED_SIZE,     8,               EGL_GREEN_SIZE,      8,
                           EGL_BLUE_SIZE,    8,               EGL_DEPTH_SIZE,      24,
                           EGL_STENCIL_SIZE, 8,               EGL_NONE};
  EGLConfig configs[128];
  EGLint count = 0;
  if (!egl.ChooseConfig(display, wanted, configs, 128, &count) || count < 1) return false;
  *config = configs[0];
  for (EGLint i = 0; i < count; ++i) {
    EGLint red = 0, green = 0, blue = 0, alpha = 0, samples = 0;
    egl.GetConfigAttrib(display, configs[i], EGL_RED_SIZE, &red);
    egl.GetConfigAttrib(display, configs[i], EGL_GREEN_SIZE, &green);
    egl.GetConfigAttrib(display, configs[i], EGL_BLUE_SIZE, &blue);
    egl.GetConfigAttrib(display, configs[i], EGL_ALPHA_SIZE, &alpha);
    egl.GetConfigAttrib(display, configs[i], EGL_SAMPLES, &samples);
    if (red == 8 && green == 8 && blue == 8 && alpha == 0 && samples == 0) {
      *config = configs[i];
      break;
    }
  }
  return true;
}

// A display of a platform, initialised, with its configuration.
bool Initialize(EGLDisplay display, Platform *opened, std::string *why) {
  EGLint major = 0, minor = 0;
  if (display == EGL_NO_DISPLAY) {
    *why = ErrorText("no display");
  } else if (!egl.Initialize(display, &major, &minor)) {
    *why = ErrorText("can't initialise");
  } else if (!ChooseConfig(display, &opened->config)) {
    *why = "no pbuffer configuration with desktop OpenGL";
  } else {
    opened->display = display;
    return true;
  }
  return false;
}

bool OpenSurfaceless(const char *clientExtensions, Platform *opened, std::string *why) {
  if (!egl.GetPlatformDisplay || !Offers(clientExtensions, "EGL_MESA_platform_surfaceless")) {
    *why = "not offered";
    return false;
  }
  return Initialize(egl.GetPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr), opened, why);
}

// The first device that gives a display with a configuration.
bool OpenDevice(const char *clientExtensions, Platform *opened, std::string *why) {
  if (!egl.GetPlatformDisplay || !egl.QueryDevices || !Offers(clientExtensions, "EGL_EXT_platform_device")) {
    *why = "not offered";
    return false;
  }
  EGLDeviceEXT devices[16];
  EGLint count = 0;
  if (!egl.QueryDevices(16, devices, &count) || count < 1) {
    *why = "no device";
    return false;
  }
  for (EGLint i = 0; i < count; ++i) {
    if (Initialize(egl.GetPlatformDisplay(EGL_PLATFORM_DEVICE_EXT, devices[i], nullptr), opened, why)) return true;
  }
  return false;
}

// The platform of the process, opened on first use: the surfaceless one,
// else the device one. Null, after saying why once, when neither works.
const Platform *Open() {
  if (tried) return platform.display != EGL_NO_DISPLAY ? &platform : nullptr;
  tried = true;
  std::string why;
  if (Load(&why)) {
    const char *extensions = egl.QueryString(EGL_NO_DISPLAY, EGL_EXTENSIONS);
    const bool trySurfaceless = !onlyOne || onlyPlatform == EGLPlatform::kSurfaceless;
    const bool tryDevice = !onlyOne || onlyPlatform == EGLPlatform::kDevice;
    std::string surfaceless, device;
    if (trySurfaceless && OpenSurfaceless(extensions, &platform, &surfaceless)) return &platform;
    if (tryDevice && OpenDevice(extensions, &platform, &device)) return &platform;
    why = trySurfaceless ? "surfaceless platform: " + surfaceless : "";
    if (tryDevice) why += (why.empty() ? "" : "; ") + ("device platform: " + device);
  }
  qerr("QGLContext::QGLContext(); no offscreen context: %s", why.c_str());
  return nullptr;
}

}  // namespace

EGLPbuffer::EGLPbuffer(int width, int height) {
  const Platform *on = Open();
  if (!on) return;
  const EGLint size[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
  surface = egl.CreatePbufferSurface(on->display, on->config, size);
  if (!surface) {
    const std::string what = "no pbuffer of " + std::to_string(width) + "x" + std::to_string(height);
    qerr("QGLContext::QGLContext(); %s", ErrorText(what.c_str()).c_str());
    return;
  }
  egl.BindAPI(EGL_OPENGL_API);
  context = egl.CreateContext(on->display, on->config, EGL_NO_CONTEXT, nullptr);
  if (!context) {
    qerr("QGLContext::QGLContext(); %s", ErrorText("no OpenGL context on the pbuffer").c_str());
    egl.DestroySurface(on->display, surface);
    surface = nullptr;
  }
}

EGLPbuffer::~EGLPbuffer() {
  if (!loaded) return;
  if (context && egl.GetCurrentContext() == context) {
    egl.MakeCurrent(platform.display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
  }
  if (context) egl.DestroyContext(platform.display, context);
  if (surface) egl.DestroySurface(platform.display, surface);
}

bool EGLPbuffer::MakeCurrent() const {
  if (!context) return false;
  // GLX and EGL share the thread's OpenGL, which one of them holds at a time.
  if (glXGetCurrentContext()) glXMakeCurrent(glXGetCurrentDisplay(), None, nullptr);
  egl.BindAPI(EGL_OPENGL_API);
  return egl.MakeCurrent(platform.display, surface, surface, context) == EGL_TRUE;
}

const void *CurrentEGLContext() { return loaded ? egl.GetCurrentContext() : nullptr; }

void ReleaseCurrentEGL() {
  if (!loaded || egl.GetCurrentContext() == EGL_NO_CONTEXT) return;
  egl.MakeCurrent(egl.GetCurrentDisplay(), EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
}

void UseOnlyEGLPlatform(EGLPlatform only) {
  onlyOne = true;
  onlyPlatform = only;
}

}  // namespace kiln::gui
