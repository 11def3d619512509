// The application takes back what it lent the 3D library before its
// windows go.
#include <gtest/gtest.h>

#include <kiln/dglobal.h>
#include <kiln/dshaderrender.h>
#include <kiln/qapp.h>

#include <cstdlib>

namespace {

class NoShaders : public DShaderRender {
public:
  DShader *FindShader(const char *) override { return nullptr; }
};

TEST(AppRelease, TheApplicationTakesBackWhatItLent) {
  if (!std::getenv("DISPLAY")) GTEST_SKIP() << "no X display";
  NoShaders render;
  {
    QApp app("release", "Release");
    DGlobal &global = d3Global();
    global.shaderRender = &render;
    global.envMap = reinterpret_cast<DTexture *>(&render);  // only compared
    global.envSources[1] = reinterpret_cast<DEnvironmentSource *>(&render);
  }
  EXPECT_EQ(d3Global().shaderRender, nullptr);
  EXPECT_EQ(d3Global().envMap, nullptr);
  EXPECT_EQ(d3Global().envSources[1], nullptr);
}

}  // namespace
