#include <kiln/dshader.h>

#include <kiln/dglobal.h>
#include <kiln/dgpushader.h>
#include <kiln/dmaterial.h>
#include <kiln/dtexture.h>
#include <kiln/qdebug.h>

#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>

namespace {

constexpr int kExtraWords = 17;

// The shininess of a material as an integer, within the range of one.
int ShininessOf(float shininess) {
  if (std::isnan(shininess)) return 0;
  return static_cast<int>(std::clamp(shininess, static_cast<float>(INT_MIN), static_cast<float>(INT_MAX) - 128.0f));
}

}  // namespace

DShaderLayer::DShaderLayer() {
  std::fill(combineSource, combineSource + 3, static_cast<GLenum>(GL_TEXTURE0));
  std::copy_n(d3Global().colorOffset, 4, emission);
}

DShader::DShader() : sortKey(d3Global().sortBias + 300), group(d3Global().shaderGroup) {}

DShader::~DShader() {
  DGPUShaderManager &programs = *d3Global().gpuShaderManager;
  // A shader without programs holds no reference to give back.
  if (vertexProgram > 0) programs.Release(vertexProgram);
  if (fragmentProgram > 0) programs.Release(fragmentProgram);
  for (DShaderLayer &layer : layers) {
    if (layer.texture) layer.texture->Detach();
    layer.texture = nullptr;
  }
}

int *DShader::GetExtra() {
  if (!extra) extra = std::make_unique<int[]>(kExtraWords);
  return extra.get();
}

void DShader::CreateFromMaterial(const DMaterial *material) {
  DTexture *texture = material ? material->GetTexture(0) : nullptr;
  if (!texture) {
    qwarn("DShader:CreateFromMaterial(); need a texture");
    layerCount = 0;
    return;
  }
  const DGlobal &global = d3Global();
  name = texture->GetName();
  materialFlags |= 0x40;
  layerCount = 1;
  const bool blended = material->IsBlended();
  auto colours = [&](DShaderLayer &layer) {
    std::copy_n(material->ambient, 4, layer.ambient);
    std::copy_n(material->diffuse, 4, layer.diffuse);
    std::copy_n(material->specular, 4, layer.specular);
    for (int i = 0; i < 4; ++i) layer.emission[i] = material->emission[i] + global.colorOffset[i];
    layer.shininess = ShininessOf(material->shininess);
  };

  DShaderLayer &base = layers[0];
  base.flags |= DSL_DEPTH_WRITE | DSL_BIT17;
  base.texEnv = GL_MODULATE;
  base.texture = texture;
  texture->Attach();
  colours(base);
  if (blended) {
    base.flags = (base.flags | DSL_BLEND) & ~DSL_DEPTH_WRITE;
    base.blendSrc = GL_SRC_ALPHA;
    base.blendDst = GL_ONE_MINUS_SRC_ALPHA;
  } else {
    base.blendSrc = GL_ONE;
    base.blendDst = GL_ZERO;
  }

  if ((material->creationFlags & DMCF_ENVMAP) && global.envMap) {
    DShaderLayer &environment = layers[1];
    colours(environment);
    environment.flags = (environment.flags | DSL_BLEND | DSL_BIT17) & ~DSL_DEPTH_WRITE;
    environment.blendSrc = GL_SRC_ALPHA;
    environment.blendDst = GL_ONE_MINUS_SRC_ALPHA;
    environment.texEnv = GL_ADD;
    environment.texGen[0] = environment.texGen[1] = GL_SPHERE_MAP;
    environment.texture = global.envMap;
    global.envMap->Attach();
    layerCount = 2;
  }
  sortKey = global.sortBias + (blended ? 400 : 300);
}

int DShader::Compare(const DShader &other) const {
  // The first rule that tells the two apart decides; each answers for both
  // sides alike, so that the order is one to sort by.
  auto earlier = [](bool mine, bool theirs) { return mine == theirs ? 0 : mine ? 1 : -1; };
  if (int rule = earlier(flags & DSHADER_SKY, other.flags & DSHADER_SKY)) return rule;
  if (sortKey != other.sortKey) return sortKey < other.sortKey ? 1 : -1;
  const DShaderLayer &mine = layers[0], &theirs = other.layers[0];
  if (int rule = earlier(mine.blendSrc == GL_ONE, theirs.blendSrc == GL_ONE)) return rule;
  if (int rule = earlier(mine.flags & DSL_DEPTH_TEST_OFF, theirs.flags & DSL_DEPTH_TEST_OFF)) return rule;
  if (mine.blendSrc != GL_ONE) return 0;
  if (group != other.group) return group < other.group ? 1 : -1;
  // A missing texture counts as texture name 0.
  const GLuint myTexture = mine.texture ? mine.texture->GetTexID() : 0;
  const GLuint theirTexture = theirs.texture ? theirs.texture->GetTexID() : 0;
  if (myTexture == theirTexture) return 0;
  return myTexture < theirTexture ? 1 : -1;
}
