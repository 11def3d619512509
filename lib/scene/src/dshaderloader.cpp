#include <kiln/dshader.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/denvironmentsource.h>
#include <kiln/dglobal.h>
#include <kiln/dgpushader.h>
#include <kiln/dtexturemap.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qdebug.h>
#include <kiln/qinfo.h>

#include <GL/glext.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Word {
  const char *text;
  GLenum value;
};

constexpr Word kFilters[] = {{"nearest", GL_NEAREST},
                             {"linear", GL_LINEAR},
                             {"nearest_mipmap_nearest", GL_NEAREST_MIPMAP_NEAREST},
                             {"nearest_mipmap_linear", GL_NEAREST_MIPMAP_LINEAR},
                             {"linear_mipmap_linear", GL_LINEAR_MIPMAP_LINEAR}};
constexpr Word kTests[] = {{"never", GL_NEVER},     {"always", GL_ALWAYS},     {"less", GL_LESS},
                           {"lequal", GL_LEQUAL},   {"equal", GL_EQUAL},       {"gequal", GL_GEQUAL},
                           {"greater", GL_GREATER}, {"notequal", GL_NOTEQUAL}, {"none", GL_ALWAYS}};
constexpr Word kBlendFactors[] = {{"one", GL_ONE},
                                  {"zero", GL_ZERO},
                                  {"dst_color", GL_DST_COLOR},
                                  {"one_minus_dst_color", GL_ONE_MINUS_DST_COLOR},
                                  {"src_color", GL_SRC_COLOR},
                                  {"one_minus_src_color", GL_ONE_MINUS_SRC_COLOR},
                                  {"src_alpha", GL_SRC_ALPHA},
                                  {"one_minus_src_alpha", GL_ONE_MINUS_SRC_ALPHA},
                                  {"dst_alpha", GL_DST_ALPHA},
                                  {"one_minus_dst_alpha", GL_ONE_MINUS_DST_ALPHA},
                                  {"src_alpha_saturate", GL_SRC_ALPHA_SATURATE}};
constexpr Word kWraps[] = {{"repeat", GL_REPEAT}, {"clamp", GL_CLAMP}, {"clamp_to_edge", GL_CLAMP_TO_EDGE}};
constexpr Word kCombiners[] = {{"modulate", GL_MODULATE},
                               {"add", GL_ADD},
                               {"add_signed", GL_ADD_SIGNED_ARB},
                               {"replace", GL_REPLACE},
                               {"subtract", GL_SUBTRACT_ARB},
                               {"constant", GL_CONSTANT_ARB},
                               {"interpolate", GL_INTERPOLATE_ARB},
                               {"src_color", GL_SRC_COLOR},
                               {"one_minus_src_color", GL_ONE_MINUS_SRC_COLOR},
                               {"src_alpha", GL_SRC_ALPHA},
                               {"one_minus_src_alpha", GL_ONE_MINUS_SRC_ALPHA},
                               {"texture0", GL_TEXTURE0_ARB},
                               {"texture1", GL_TEXTURE1_ARB},
                               {"texture2", GL_TEXTURE2_ARB},
                               {"texture3", GL_TEXTURE3_ARB},
                               {"texture4", GL_TEXTURE4_ARB},
                               {"texture5", GL_TEXTURE5_ARB},
                               {"texture6", GL_TEXTURE6_ARB},
                               {"texture7", GL_TEXTURE7_ARB},
                               {"previous", GL_PREVIOUS_ARB},
                               {"primarycolor", GL_PRIMARY_COLOR_ARB},
                               {"texture", GL_TEXTURE},
                               {"dot3_rgb", GL_DOT3_RGB_ARB},
                               {"dot3_rgba", GL_DOT3_RGBA_ARB},
                               {"combiner", GL_COMBINE_ARB}};
constexpr Word kTexGens[] = {{"object_linear", GL_OBJECT_LINEAR},
                             {"eye_linear", GL_EYE_LINEAR},
                             {"sphere_map", GL_SPHERE_MAP},
                             {"reflection_map", GL_REFLECTION_MAP},
                             {"normal_map", GL_NORMAL_MAP}};

// The value of an exact word of the table; false when it is not there.
template <std::size_t N>
bool Find(const Word (&table)[N], const std::string &text, GLenum *value) {
  for (const Word &word : table) {
    if (text == word.text) {
      *value = word.value;
      return true;
    }
  }
  return false;
}

// A vocabulary word, with the empty value's result and the unknown word's
// warning (its %s the word) and result.
template <std::size_t N>
GLenum Lookup(const Word (&table)[N], const std::string &text, GLenum empty, const char *warning, GLenum unknown) {
  if (text.empty()) return empty;
  GLenum value;
  if (Find(table, text, &value)) return value;
  qwarn(warning, text.c_str());
  return unknown;
}

GLenum Filter(const std::string &text) {
  return Lookup(kFilters, text, GL_NEAREST, "DShaderLoader: filter arg '%s' unknown", GL_NEAREST);
}
GLenum Test(const std::string &text) {
  return Lookup(kTests, text, GL_LEQUAL, "DShaderLoader: depth or alpha test arg '%s' unknown", GL_LEQUAL);
}
GLenum BlendFactor(const std::string &text) {
  return Lookup(kBlendFactors, text, GL_ONE, "DShaderLoader: blendfunc '%s' unknown", GL_ONE);
}
GLenum Combiner(const std::string &text) {
  return Lookup(kCombiners, text, GL_MODULATE, "DShaderLoader: combiner arg '%s' unknown", GL_MODULATE);
}
GLenum Wrap(std::string text) {
  const char *blanks = " \t\r\n";
  const std::size_t first = text.find_first_not_of(blanks);
  text = first == std::string::npos ? "" : text.substr(first, text.find_last_not_of(blanks) - first + 1);
  GLenum value;
  if (Find(kWraps, text, &value)) return value;
  qwarn("DShaderLoader: wrap '%s' unknown (must be repeat, clamp or clamp_to_edge)", text.c_str());
  return GL_REPEAT;
}

std::vector<std::string> Words(const std::string &text) {
  std::istringstream in(text);
  std::vector<std::string> words;
  for (std::string word; in >> word;) words.push_back(word);
  return words;
}

std::string Lower(std::string text) {
  for (char &c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

const char *FileNamePart(const std::string &path) {
  const std::size_t slash = path.find_last_of("/\\");
  return path.c_str() + (slash == std::string::npos ? 0 : slash + 1);
}

// The keys of one shader, "path.key" and "path.layerN.key".
class Keys {
public:
  Keys(const QInfo &info, const std::string &path) : info(info), path(path) {}

  std::string Of(const std::string &key) const { return path + "." + key; }
  std::string Layer(int layer, const std::string &key) const {
    return path + ".layer" + std::to_string(layer) + "." + key;
  }
  bool Exists(const std::string &key) const { return info.Exists(key.c_str()); }
  std::string String(const std::string &key, const char *def = "") const {
    qstring value;
    info.GetString(key.c_str(), value, def);
    return value.CStr();
  }
  int Int(const std::string &key, int def) const { return info.GetInt(key.c_str(), def); }
  bool Flag(const std::string &key, bool def) const { return info.GetBool(key.c_str(), def); }
  float Float(const std::string &key, float def) const { return info.GetFloat(key.c_str(), def); }
  bool Floats(const std::string &key, float *values) const { return info.GetFloats(key.c_str(), 4, values); }

private:
  const QInfo &info;
  std::string path;
};

// The texture of a special map ("$mirror", "$cubemap0", ...); false when the
// name is no special map.
bool SpecialMap(const std::string &map, const std::string &shaderName, DTexture **texture) {
  DTexture *(DEnvironmentSource::*offer)() = nullptr;
  if (map == "$cubemap0" || map == "$trackenvmap") offer = &DEnvironmentSource::GetEnvironmentMap;
  else if (map == "$cubemap1" || map == "$tracksunmap") offer = &DEnvironmentSource::GetSunMap;
  else if (map == "$cubemap2" || map == "$normalizemap") offer = &DEnvironmentSource::GetNormalizationMap;
  else if (map == "$mirror") offer = &DEnvironmentSource::GetMirror;
  else return false;
  DEnvironmentSource *const *sources = d3Global().envSources;
  DEnvironmentSource *source = sources[0] ? sources[0] : sources[1];
  *texture = source ? (source->*offer)() : nullptr;
  if (*texture) {
    (*texture)->Attach();
    return true;
  }
  if (map != "$mirror") {
    qwarn("DShaderLoader: could not resolve %s (for %s)", map.c_str(), shaderName.c_str());
    return true;
  }
  // A mirror always has a texture: one red pixel when nothing offers one.
  qwarn("No $mirror texture was created (shader '%s')", shaderName.c_str());
  QBitMap red(32, 1, 1);
  red.SetPixel(0, 0, QColor(255, 0, 0, 255));
  *texture = new DBitMapTexture(&red);
  return true;
}

// The texture of a map file, from the pool when it is in use and holds it.
DTexture *MapTexture(const std::string &map, const std::string &shaderName, const std::string &prefix,
                     const DShaderLayer &layer) {
  DGlobal &global = d3Global();
  qstring found;
  const std::string file = global.path.Find(map.c_str(), found) ? std::string(found.CStr()) : prefix + map;
  const bool pooled = global.flags & DGF_USE_POOL;
  if (pooled) {
    if (DTexture *held = global.pool->Find(file.c_str())) {
      qdbg("DShaderLoader: AddMap(); texture reused (%s)\n", map.c_str());
      held->Attach();
      held->SetWrap(GL_REPEAT, GL_REPEAT, GL_REPEAT, GL_REPEAT);
      return held;
    }
  }
  std::unique_ptr<QBitMap> image(d3LoadTextureMap(file.c_str()));
  const bool keyed = map.find(".bmp") != std::string::npos || map.find(".BMP") != std::string::npos;
  const bool transparent = keyed ? image->KeyMagenta() > 0 : image->HasTransparency();
  auto *texture = new DBitMapTexture;
  texture->SetName((shaderName + ":" + file).c_str());
  texture->EnableMipmap(layer.flags & DSL_MIPMAP);
  texture->SetMinFilter(layer.minFilter);
  texture->SetMagFilter(layer.magFilter);
  if (layer.flags & DSL_COMPRESS) texture->EnableCompression();
  else texture->DisableCompression();
  if (!transparent) texture->SetInternalFormat(GL_RGB);
  texture->SetTransparent(transparent);
  texture->LoadBitMap(image.get());
  texture->SetName(FileNamePart(map));
  texture->SetWrap(GL_REPEAT, GL_REPEAT, GL_REPEAT, GL_REPEAT);
  if (pooled) global.pool->Add(file.c_str(), texture);
  return texture;
}

void ReadBlending(const Keys &keys, int index, const std::string &shaderName, DShaderLayer &layer) {
  const std::string key = keys.Layer(index, "blendfunc");
  if (!keys.Exists(key)) {
    if (index == 0) return;
    qwarn("DShaderLoader: %s has no blendfunc for layer %d; implicitly added", shaderName.c_str(), index);
    layer.flags |= DSL_BLEND;
    layer.blendSrc = GL_SRC_ALPHA;
    layer.blendDst = GL_ONE_MINUS_SRC_ALPHA;
    return;
  }
  layer.flags |= DSL_BLEND;
  const std::string value = keys.String(key);
  if (value == "filter") {
    layer.blendSrc = GL_ZERO;
    layer.blendDst = GL_SRC_COLOR;
  } else if (value == "add") {
    layer.blendSrc = layer.blendDst = GL_ONE;
  } else if (value == "blend") {
    layer.blendSrc = GL_SRC_ALPHA;
    layer.blendDst = GL_ONE_MINUS_SRC_ALPHA;
  } else {
    const std::vector<std::string> words = Words(value);
    if (words.size() < 2) {
      qwarn("Bad blendfunc; need source & dest parameter (%s=%s)", key.c_str(), value.c_str());
      return;
    }
    layer.blendSrc = BlendFactor(words[0]);
    layer.blendDst = BlendFactor(words[1]);
  }
}

void ReadAlphaTest(const Keys &keys, int index, const DShaderLayer *previous, DShaderLayer &layer) {
  const std::string key = keys.Layer(index, "alphafunc");
  if (!keys.Exists(key)) {
    if (previous) {
      layer.alphaFunc = previous->alphaFunc;
      layer.alphaRef = previous->alphaRef;
    }
    return;
  }
  const std::string value = keys.String(key);
  const std::vector<std::string> words = Words(value);
  if (words.empty()) {
    qwarn("Alpha func syntax error (%s)", value.c_str());
    return;
  }
  layer.alphaFunc = Test(words[0]);
  if (layer.alphaFunc == GL_ALWAYS) return;
  if (words.size() < 2) {
    qwarn("Alpha func syntax error (%s)", value.c_str());
    return;
  }
  layer.alphaRef = static_cast<float>(std::atoi(words[1].c_str())) / 255.0f;
  if (layer.alphaRef < 0 || layer.alphaRef > 1) {
    qwarn("Alpha reference value (%s) out of range 0..255", words[1].c_str());
  }
}

void ReadTexEnv(const Keys &keys, int index, DShaderLayer &layer) {
  const std::string value = keys.String(keys.Layer(index, "texenv"));
  const std::vector<std::string> words = Words(value);
  if (words.empty()) {
    layer.texEnv = GL_MODULATE;
    return;
  }
  if (words[0] != "combiner") {
    layer.texEnv = Combiner(value);
    return;
  }
  if (words.size() < 3) {
    qwarn("Combine '%s' syntax error", value.c_str());
    layer.texEnv = GL_REPLACE;
    return;
  }
  layer.texEnv = GL_COMBINE_ARB;
  layer.combineSource[0] = Combiner(words[1]);
  layer.combineOperand[0] = Combiner(words[2]);
  if (words.size() > 3) layer.combineSource[1] = Combiner(words[3]);
}

void ReadTexCoords(const Keys &keys, int index, const std::string &shaderName, DShaderLayer &layer) {
  const char *axes[4] = {"s", "t", "r", "q"};
  for (int i = 0; i < 4; ++i) layer.texScale[i] = keys.Float(keys.Layer(index, std::string("texscale_") + axes[i]), 1.0f);
  const std::string common = keys.Layer(index, "texscale");
  if (keys.Exists(common)) layer.texScale[0] = layer.texScale[1] = layer.texScale[2] = keys.Float(common, 1.0f);
  for (int i = 0; i < 4; ++i) {
    GLenum mode = 0;
    if (!Find(kTexGens, keys.String(keys.Layer(index, std::string("texgen_") + axes[i])), &mode)) mode = 0;
    if (mode == GL_SPHERE_MAP && i >= 2) {
      qwarn("Shader %s: sphere_map only allowed for texgen_s and _t", shaderName.c_str());
      mode = 0;
    }
    layer.texGen[i] = mode;
  }
}

}  // namespace

bool DShaderLoader::Load(const QInfo &info, const char *shaderPath, DShader *shader, const char *namePrefix) {
  const DGlobal &global = d3Global();
  const std::string path = shaderPath ? shaderPath : "", prefix = namePrefix ? namePrefix : "";
  shader->flags |= DSHADER_FROM_FILE;
  shader->sortKey = global.sortBias + 300;
  if (path.compare(0, 7, "shader_") != 0) {
    qwarn("DShaderLoader:Parse(); shader path doesn't start with 'shader_'");
    qwarn("  shader %s%s ignored", prefix.c_str(), path.c_str());
    return false;
  }
  const std::string name = Lower(prefix + path.substr(7));
  shader->name = name.c_str();
  const Keys keys(info, path);

  shader->sortOffset = keys.Int(keys.Of("sort_offset"), 0);
  const bool compression = keys.Flag(keys.Of("compression"), true);
  GLenum cull = GL_BACK;
  const std::string cullWord = keys.String(keys.Of("cull"));
  if (cullWord == "front") cull = GL_FRONT;
  else if (cullWord == "disable" || cullWord == "none") cull = GL_NONE;
  else if (!cullWord.empty() && cullWord != "back") qwarn("DShaderLoader: cull arg '%s' unknown", cullWord.c_str());
  shader->flags = (shader->flags & ~DSHADER_CULL_MASK) | (cull == GL_BACK ? 1 : cull == GL_FRONT ? 2 : 0);
  if (keys.Int(keys.Of("fog"), 1)) shader->flags |= DSHADER_FOG;
  else shader->flags &= ~DSHADER_FOG;
  if (keys.Int(keys.Of("sky"), 0)) shader->flags |= DSHADER_SKY;
  const std::string vertex = keys.String(keys.Of("vertex_shader.file"));
  if (!vertex.empty()) shader->vertexProgram = global.gpuShaderManager->LoadVertexShader(vertex.c_str());
  const std::string fragment = keys.String(keys.Of("fragment_shader.file"));
  if (!fragment.empty()) shader->fragmentProgram = global.gpuShaderManager->LoadFragmentShader(fragment.c_str());

  for (int index = 0; index < DShader::kMaxLayers; ++index) {
    DShaderLayer &layer = shader->layers[index];
    const DShaderLayer *previous = index > 0 ? &shader->layers[index - 1] : nullptr;
    // Mipmapping and filtering first: the texture is made with them.
    const bool mipmap = keys.Int(keys.Layer(index, "mipmap"), 1);
    layer.flags = mipmap ? layer.flags | DSL_MIPMAP : layer.flags & ~DSL_MIPMAP;
    if (mipmap) {
      layer.minLod = keys.Float(keys.Layer(index, "mipmap_minlod"), 0);
      layer.maxLod = keys.Float(keys.Layer(index, "mipmap_maxlod"), 1000);
      layer.lodBias = keys.Float(keys.Layer(index, "mipmap_lod_bias"), 0);
    }
    layer.magFilter = Filter(keys.String(keys.Layer(index, "mag_filter"), "linear"));
    layer.minFilter =
        Filter(keys.String(keys.Layer(index, "min_filter"), mipmap ? "linear_mipmap_linear" : "nearest"));
    if (compression && keys.Flag(keys.Layer(index, "compression"), true)) layer.flags |= DSL_COMPRESS;

    const std::string map = keys.String(keys.Layer(index, "map"));
    if (map.empty()) {
      if (index == 0) qwarn("Shader %s: no layers defined (need map)", name.c_str());
      break;
    }
    shader->layerCount = index + 1;
    if (!SpecialMap(map, name, &layer.texture)) layer.texture = MapTexture(map, name, prefix, layer);

    const char *axes[4] = {"s", "t", "r", "q"};
    for (int i = 0; i < 4; ++i) layer.wrap[i] = Wrap(keys.String(keys.Layer(index, std::string("wrap_") + axes[i]), "repeat"));
    ReadBlending(keys, index, name, layer);
    const std::string depthKey = keys.Layer(index, "depthfunc");
    layer.depthFunc = keys.Exists(depthKey) ? Test(keys.String(depthKey)) : GL_LEQUAL;
    if (layer.depthFunc == GL_ALWAYS) layer.flags |= DSL_DEPTH_TEST_OFF;
    if (keys.Int(keys.Layer(index, "depthwrite"), 1)) layer.flags |= DSL_DEPTH_WRITE;
    else layer.flags &= ~DSL_DEPTH_WRITE;
    ReadAlphaTest(keys, index, previous, layer);
    ReadTexEnv(keys, index, layer);
    ReadTexCoords(keys, index, name, layer);
    layer.shininess = keys.Int(keys.Layer(index, "shininess"), 0);
    keys.Floats(keys.Layer(index, "specular"), layer.specular);
    float emission[4];
    if (keys.Floats(keys.Layer(index, "emission"), emission)) std::copy_n(emission, 4, layer.emission);
    for (int i = 0; i < 4; ++i) layer.emission[i] += global.colorOffset[i];
  }
  shader->sortKey = global.sortBias + shader->sortOffset + (shader->layers[0].blendSrc == GL_ONE ? 300 : 400);
  return true;
}
