// Shaders read from real shader files: keys, vocabularies and messages, map
// textures as GL holds them, special maps, shaders made from materials, the
// paint order, and the references every holder takes and gives back.
#include <gtest/gtest.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/denvironmentsource.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dgpushader.h>
#include <kiln/dmaterial.h>
#include <kiln/dshader.h>
#include <kiln/dshaderrender.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qcolor.h>
#include <kiln/qfile.h>
#include <kiln/qinfo.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "dof_chunks.h"
#include "gl_window.h"
#include "message_capture.h"
#include "test_support.h"

using kiln::test::GLWindow;
using kiln::test::MessageCapture;
using kiln::test::TempDir;

namespace {

// A shader tree of a single layer with the given keys.
std::string OneLayer(const std::string &path, const std::string &layerKeys, const std::string &shaderKeys = "") {
  return path + "\n{\n" + shaderKeys + "layer0\n{\n" + layerKeys + "}\n}\n";
}

GLint TexParameter(const DTexture *texture, GLenum parameter) {
  texture->Bind();
  GLint value = 0;
  glGetTexParameteriv(GL_TEXTURE_2D, parameter, &value);
  return value;
}

GLint LevelParameter(const DTexture *texture, int level, GLenum parameter) {
  texture->Bind();
  GLint value = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, level, parameter, &value);
  return value;
}

class Shaders : public ::testing::Test {
protected:
  void SetUp() override {
    if (!window.IsReady()) GTEST_SKIP() << "no GL display (run under xvfb-run)";
    window.ActAsCanvas();
    d3Global().path.Add(dir.path().c_str());
    Picture("wall.tga", 255);
    Picture("glass.tga", 128);
    capture.Take();
  }

  void TearDown() override {
    d3Global().path.Clear();
    d3Global().flags &= ~DGF_USE_POOL;
    d3Global().envSources[0] = d3Global().envSources[1] = nullptr;
  }

  void Picture(const char *name, int alpha) {
    QBitMap picture(32, 8, 8);
    for (int i = 0; i < 64; ++i) picture.SetPixel(i % 8, i / 8, QColor(40, 80, 120, alpha));
    picture.Write(dir.Path(name).c_str(), QBM_FORMAT_TGA);
  }

  // Every shader of the text, in file order; null for one the loader refused.
  std::vector<std::unique_ptr<DShader>> LoadAll(const std::string &text, const char *prefix = "") {
    dir.WriteFile("shaders.ini", text);
    QInfo info(dir.Path("shaders.ini").c_str());
    std::vector<std::unique_ptr<DShader>> shaders;
    QInfoIterator trees(&info, "");
    for (qstring path; trees.GetNext(path, false);) {
      auto shader = std::make_unique<DShader>();
      shaders.push_back(DShaderLoader().Load(info, path.CStr(), shader.get(), prefix) ? std::move(shader) : nullptr);
    }
    return shaders;
  }

  std::unique_ptr<DShader> Load(const std::string &text) { return std::move(LoadAll(text).at(0)); }

  // What was printed, without the lines that say which images were read.
  std::string Messages() {
    std::string kept, all = capture.Take();
    for (std::size_t at = 0, end; at < all.size(); at = end + 1) {
      end = all.find('\n', at);
      if (all.compare(at, 13, "QImage::Read(") != 0) kept += all.substr(at, end - at + 1);
    }
    return kept;
  }

  GLWindow window{32, 32};
  TempDir dir;
  MessageCapture capture;
};

TEST_F(Shaders, DefaultsAndEveryKey) {
  d3Global().colorOffset[2] = 0.5f;
  auto plain = Load(OneLayer("shader_Plain", "map=wall.tga\n"));
  ASSERT_TRUE(plain);
  EXPECT_EQ(Messages(), "");
  EXPECT_STREQ(plain->name.CStr(), "plain");
  EXPECT_EQ(plain->flags, DSHADER_FROM_FILE | DSHADER_FOG | 1);
  EXPECT_EQ(plain->layerCount, 1);
  EXPECT_EQ(plain->sortKey, 300);
  const DShaderLayer &base = plain->layers[0];
  EXPECT_EQ(base.flags, 0x21401 | DSL_COMPRESS | DSL_DEPTH_WRITE);
  EXPECT_EQ(base.minFilter, static_cast<GLenum>(GL_LINEAR_MIPMAP_LINEAR));
  EXPECT_EQ(base.magFilter, static_cast<GLenum>(GL_LINEAR));
  EXPECT_EQ(base.blendSrc, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(base.blendDst, static_cast<GLenum>(GL_ZERO));
  EXPECT_EQ(base.texEnv, static_cast<GLenum>(GL_MODULATE));
  EXPECT_EQ(base.alphaFunc, static_cast<GLenum>(GL_ALWAYS));
  EXPECT_EQ(plain->layers[1].texture, nullptr);

  const std::string shaderKeys =
      "sort_offset=0x10\ncompression=0\ncull=front\nfog=0\nsky=1\n"
      "vertex_shader\n{\nfile=water.vp\n}\nfragment_shader\n{\nfile=water.fp\n}\n";
  const std::string layerKeys =
      "map=glass.tga\nmipmap=1\nmipmap_minlod=1.5\nmipmap_maxlod=4\nmipmap_lod_bias=-0.5\n"
      "mag_filter=nearest\nmin_filter=nearest_mipmap_linear\ncompression=1\n"
      "wrap_s= \tclamp_to_edge \nwrap_t=clamp\nwrap_q=repeat\n"
      "blendfunc=src_alpha one_minus_dst_color\ndepthfunc=always\ndepthwrite=0\nalphafunc=greater 128\n"
      "texenv=combiner previous src_alpha texture3\ntexscale=2\ntexscale_q=3\n"
      "texgen_s=eye_linear\ntexgen_t=sphere_map\ntexgen_r=normal_map\ntexgen_q=reflection_map\n"
      "shininess=0x20\nspecular=1 0.5 0.25 1\nemission=0.1 0.2 0.3 0.4\n";
  auto full = Load(OneLayer("shader_Water", layerKeys, shaderKeys));
  EXPECT_EQ(Messages(), "DGPUShaderManager: load 'water.vp'\nDGPUShaderManager: load 'water.fp'\n");
  EXPECT_EQ(full->flags, DSHADER_FROM_FILE | DSHADER_SKY | 2);
  EXPECT_EQ(full->sortOffset, 16);
  EXPECT_EQ(full->sortKey, 16 + 400);
  EXPECT_GT(full->vertexProgram, 0);
  EXPECT_GT(full->fragmentProgram, 0);
  const DShaderLayer &layer = full->layers[0];
  EXPECT_EQ(layer.flags & DSL_COMPRESS, 0);  // the shader forbids it
  EXPECT_FLOAT_EQ(layer.minLod, 1.5f);
  EXPECT_FLOAT_EQ(layer.maxLod, 4);
  EXPECT_FLOAT_EQ(layer.lodBias, -0.5f);
  EXPECT_EQ(layer.minFilter, static_cast<GLenum>(GL_NEAREST_MIPMAP_LINEAR));
  EXPECT_EQ(layer.magFilter, static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(std::vector<GLenum>(layer.wrap, layer.wrap + 4),
            (std::vector<GLenum>{GL_CLAMP_TO_EDGE, GL_CLAMP, GL_REPEAT, GL_REPEAT}));
  EXPECT_EQ(layer.flags & (DSL_BLEND | DSL_DEPTH_TEST_OFF | DSL_DEPTH_WRITE), DSL_BLEND | DSL_DEPTH_TEST_OFF);
  EXPECT_EQ(layer.blendSrc, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(layer.blendDst, static_cast<GLenum>(GL_ONE_MINUS_DST_COLOR));
  EXPECT_EQ(layer.depthFunc, static_cast<GLenum>(GL_ALWAYS));
  EXPECT_EQ(layer.alphaFunc, static_cast<GLenum>(GL_GREATER));
  EXPECT_FLOAT_EQ(layer.alphaRef, 128 / 255.0f);
  EXPECT_EQ(layer.texEnv, static_cast<GLenum>(GL_COMBINE_ARB));
  EXPECT_EQ(layer.combineSource[0], static_cast<GLenum>(GL_PREVIOUS_ARB));
  EXPECT_EQ(layer.combineOperand[0], static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(layer.combineSource[1], static_cast<GLenum>(GL_TEXTURE3_ARB));
  EXPECT_EQ(std::vector<float>(layer.texScale, layer.texScale + 4), (std::vector<float>{2, 2, 2, 3}));
  EXPECT_EQ(std::vector<GLenum>(layer.texGen, layer.texGen + 4),
            (std::vector<GLenum>{GL_EYE_LINEAR, GL_SPHERE_MAP, GL_NORMAL_MAP, GL_REFLECTION_MAP}));
  EXPECT_EQ(layer.shininess, 32);
  EXPECT_EQ(std::vector<float>(layer.specular, layer.specular + 4), (std::vector<float>{1, 0.5f, 0.25f, 1}));
  EXPECT_EQ(std::vector<float>(layer.emission, layer.emission + 4), (std::vector<float>{0.1f, 0.2f, 0.8f, 0.4f}));
  d3Global().colorOffset[2] = 0;
}

TEST_F(Shaders, EveryWordOfTheVocabularies) {
  d3Global().flags |= DGF_USE_POOL;  // one texture for all
  struct Case {
    const char *key;
    std::vector<std::pair<const char *, GLenum>> words;
    std::function<GLenum(const DShaderLayer &)> field;
  };
  const Case cases[] = {
      {"min_filter",
       {{"nearest", GL_NEAREST}, {"linear", GL_LINEAR}, {"nearest_mipmap_nearest", GL_NEAREST_MIPMAP_NEAREST},
        {"nearest_mipmap_linear", GL_NEAREST_MIPMAP_LINEAR}, {"linear_mipmap_linear", GL_LINEAR_MIPMAP_LINEAR}},
       [](const DShaderLayer &l) { return l.minFilter; }},
      {"depthfunc",
       {{"never", GL_NEVER}, {"always", GL_ALWAYS}, {"less", GL_LESS}, {"lequal", GL_LEQUAL}, {"equal", GL_EQUAL},
        {"gequal", GL_GEQUAL}, {"greater", GL_GREATER}, {"notequal", GL_NOTEQUAL}, {"none", GL_ALWAYS}},
       [](const DShaderLayer &l) { return l.depthFunc; }},
      {"blendfunc",
       {{"one zero", GL_ONE}, {"zero one", GL_ZERO}, {"dst_color one", GL_DST_COLOR},
        {"one_minus_dst_color one", GL_ONE_MINUS_DST_COLOR}, {"src_color one", GL_SRC_COLOR},
        {"one_minus_src_color one", GL_ONE_MINUS_SRC_COLOR}, {"src_alpha one", GL_SRC_ALPHA},
        {"one_minus_src_alpha one", GL_ONE_MINUS_SRC_ALPHA}, {"dst_alpha one", GL_DST_ALPHA},
        {"one_minus_dst_alpha one", GL_ONE_MINUS_DST_ALPHA}, {"src_alpha_saturate one", GL_SRC_ALPHA_SATURATE},
        {"filter", GL_ZERO}, {"add", GL_ONE}, {"blend", GL_SRC_ALPHA}},
       [](const DShaderLayer &l) { return l.blendSrc; }},
      {"texenv",
       {{"modulate", GL_MODULATE}, {"add", GL_ADD}, {"add_signed", GL_ADD_SIGNED_ARB}, {"replace", GL_REPLACE},
        {"subtract", GL_SUBTRACT_ARB}, {"constant", GL_CONSTANT_ARB}, {"interpolate", GL_INTERPOLATE_ARB},
        {"src_color", GL_SRC_COLOR}, {"one_minus_src_color", GL_ONE_MINUS_SRC_COLOR}, {"src_alpha", GL_SRC_ALPHA},
        {"one_minus_src_alpha", GL_ONE_MINUS_SRC_ALPHA}, {"texture0", GL_TEXTURE0_ARB},
        {"texture7", GL_TEXTURE7_ARB}, {"previous", GL_PREVIOUS_ARB}, {"primarycolor", GL_PRIMARY_COLOR_ARB},
        {"texture", GL_TEXTURE}, {"dot3_rgb", GL_DOT3_RGB_ARB}, {"dot3_rgba", GL_DOT3_RGBA_ARB}, {"", GL_MODULATE}},
       [](const DShaderLayer &l) { return l.texEnv; }},
      {"texgen_t",
       {{"object_linear", GL_OBJECT_LINEAR}, {"eye_linear", GL_EYE_LINEAR}, {"sphere_map", GL_SPHERE_MAP},
        {"reflection_map", GL_REFLECTION_MAP}, {"normal_map", GL_NORMAL_MAP}, {"unheard_of", 0}},
       [](const DShaderLayer &l) { return l.texGen[1]; }},
  };
  for (const Case &each : cases) {
    std::string text;
    for (std::size_t i = 0; i < each.words.size(); ++i) {
      text += OneLayer("shader_" + std::to_string(i),
                       "map=wall.tga\n" + std::string(each.key) + "=" + each.words[i].first + "\n");
    }
    const auto shaders = LoadAll(text);
    for (std::size_t i = 0; i < each.words.size(); ++i) {
      EXPECT_EQ(each.field(shaders[i]->layers[0]), each.words[i].second) << each.key << "=" << each.words[i].first;
    }
  }
  EXPECT_EQ(capture.Take().find("unknown"), std::string::npos);
}

TEST_F(Shaders, RepairsAndTheirMessages) {
  const auto shaders = LoadAll(
      // Two layers without blendfunc; the second inherits the alpha test.
      "shader_two\n{\nlayer0\n{\nmap=wall.tga\nalphafunc=gequal 64\n}\nlayer1\n{\nmap=wall.tga\n}\n}\n"
      // Unknown words of every kind, and bad syntax.
      "shader_bad\n{\ncull=sideways\n"
      "layer0\n{\nmap=wall.tga\nmin_filter=linear_mipmap_nearest\ndepthfunc=sometimes\n"
      "blendfunc=one\nalphafunc=greater\ntexenv=combiner previous\nwrap_s=\ntexgen_r=sphere_map\n}\n"
      "layer1\n{\nmap=wall.tga\nblendfunc=one nothing\nalphafunc=greater 300\ntexenv=mix\nwrap_t=mirror\n"
      "mag_filter=fuzzy\n}\n}\n"
      "shader_nomaps\n{\n}\n"
      "material_not_a_shader\n{\n}\n");
  ASSERT_EQ(shaders.size(), 4u);
  const DShader &two = *shaders[0];
  EXPECT_EQ(two.layerCount, 2);
  EXPECT_EQ(two.layers[0].flags & DSL_BLEND, 0);
  EXPECT_EQ(two.layers[1].flags & DSL_BLEND, DSL_BLEND);
  EXPECT_EQ(two.layers[1].blendSrc, static_cast<GLenum>(GL_SRC_ALPHA));
  EXPECT_EQ(two.layers[1].alphaFunc, static_cast<GLenum>(GL_GEQUAL));
  EXPECT_FLOAT_EQ(two.layers[1].alphaRef, 64 / 255.0f);

  const DShader &bad = *shaders[1];
  EXPECT_EQ(bad.flags & DSHADER_CULL_MASK, 1);
  EXPECT_EQ(bad.layers[0].minFilter, static_cast<GLenum>(GL_NEAREST));
  EXPECT_EQ(bad.layers[0].depthFunc, static_cast<GLenum>(GL_LEQUAL));
  EXPECT_EQ(bad.layers[0].blendSrc, static_cast<GLenum>(GL_ONE));
  EXPECT_EQ(bad.layers[0].blendDst, static_cast<GLenum>(GL_ZERO));
  EXPECT_EQ(bad.layers[0].texEnv, static_cast<GLenum>(GL_REPLACE));
  EXPECT_EQ(bad.layers[0].texGen[2], 0u);
  EXPECT_EQ(bad.layers[1].blendDst, static_cast<GLenum>(GL_ONE));
  EXPECT_FLOAT_EQ(bad.layers[1].alphaRef, 300 / 255.0f);  // used as it is
  EXPECT_EQ(bad.layers[1].texEnv, static_cast<GLenum>(GL_MODULATE));
  EXPECT_EQ(bad.layers[1].wrap[1], static_cast<GLenum>(GL_REPEAT));
  EXPECT_EQ(shaders[2]->layerCount, 0);
  EXPECT_EQ(shaders[3], nullptr);
  EXPECT_EQ(Messages(),
            "DShaderLoader: two has no blendfunc for layer 1; implicitly added\n"
            "DShaderLoader: cull arg 'sideways' unknown\n"
            "DShaderLoader: filter arg 'linear_mipmap_nearest' unknown\n"
            "DShaderLoader: wrap '' unknown (must be repeat, clamp or clamp_to_edge)\n"
            "Bad blendfunc; need source & dest parameter (shader_bad.layer0.blendfunc=one)\n"
            "DShaderLoader: depth or alpha test arg 'sometimes' unknown\n"
            "Alpha func syntax error (greater)\n"
            "Combine 'combiner previous' syntax error\n"
            "Shader bad: sphere_map only allowed for texgen_s and _t\n"
            "DShaderLoader: filter arg 'fuzzy' unknown\n"
            "DShaderLoader: wrap 'mirror' unknown (must be repeat, clamp or clamp_to_edge)\n"
            "DShaderLoader: blendfunc 'nothing' unknown\n"
            "Alpha reference value (300) out of range 0..255\n"
            "DShaderLoader: combiner arg 'mix' unknown\n"
            "Shader nomaps: no layers defined (need map)\n"
            "DShaderLoader:Parse(); shader path doesn't start with 'shader_'\n"
            "  shader material_not_a_shader ignored\n");
}

TEST_F(Shaders, MapTexturesAsGLHoldsThem) {
  // Two pixels, one of them magenta.
  dir.WriteFile("keyed.bmp", kiln::test::ByteWriter()
                                 .Text("BM").LE32(62).LE32(0).LE32(54)
                                 .LE32(40).LE32(2).LE32(1).LE16(1).LE16(24).LE32(0).Fill(20)
                                 .U8(255).U8(0).U8(255).U8(30).U8(20).U8(10).Fill(2)
                                 .Bytes());
  d3Global().textureFlags |= DGTF_COMPRESS;
  const auto shaders = LoadAll(OneLayer("shader_opaque", "map=wall.tga\nmin_filter=linear\nwrap_s=clamp\n") +
                                   OneLayer("shader_alpha", "map=glass.tga\nmipmap=0\ncompression=0\n") +
                                   OneLayer("shader_keyed", "map=keyed.bmp\n") +
                                   OneLayer("shader_plain", "map=wall.tga\ncompression=0\n"),
                               "pfx/");
  d3Global().textureFlags &= ~DGTF_COMPRESS;
  const DTexture *opaque = shaders[0]->layers[0].texture, *alpha = shaders[1]->layers[0].texture;
  ASSERT_TRUE(opaque && alpha);
  EXPECT_STREQ(opaque->GetName(), "wall.tga");
  EXPECT_EQ(TexParameter(opaque, GL_TEXTURE_MIN_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(opaque, GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(TexParameter(opaque, GL_TEXTURE_WRAP_S), GL_REPEAT);  // the layer keeps its own wraps
  EXPECT_EQ(LevelParameter(opaque, 3, GL_TEXTURE_WIDTH), 1);     // mipmaps down to one pixel
  EXPECT_EQ(LevelParameter(opaque, 0, GL_TEXTURE_COMPRESSED), 1);
  EXPECT_EQ(opaque->GetInternalFormat(), static_cast<GLenum>(GL_COMPRESSED_RGB_ARB));
  EXPECT_EQ(LevelParameter(alpha, 1, GL_TEXTURE_WIDTH), 0);
  EXPECT_EQ(LevelParameter(alpha, 0, GL_TEXTURE_COMPRESSED), 0);
  EXPECT_EQ(TexParameter(alpha, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  EXPECT_EQ(alpha->GetInternalFormat(), static_cast<GLenum>(GL_RGBA));
  EXPECT_TRUE(shaders[2]->layers[0].texture->IsTransparent());  // magenta, in a BMP
  EXPECT_EQ(LevelParameter(shaders[3]->layers[0].texture, 0, GL_TEXTURE_INTERNAL_FORMAT), GL_RGB);

  // Not in the search path: under the prefix.
  d3Global().path.Clear();
  Load(OneLayer("shader_gone", "map=gone.tga\n"));
  EXPECT_NE(capture.Take().find("can't load 'gone.tga'"), std::string::npos);
  LoadAll(OneLayer("shader_gone", "map=gone.tga\n"), "pfx/");
  EXPECT_NE(capture.Take().find("can't load 'pfx/gone.tga'"), std::string::npos);
}

TEST_F(Shaders, PoolSharesMapTextures) {
  d3Global().flags |= DGF_USE_POOL;
  const std::string twice = OneLayer("shader_a", "map=wall.tga\n") + OneLayer("shader_b", "map=wall.tga\n");
  {
    const auto pooled = LoadAll(twice);
    EXPECT_EQ(pooled[0]->layers[0].texture, pooled[1]->layers[0].texture);
    EXPECT_EQ(pooled[0]->layers[0].texture->GetRefCount(), 2);
    EXPECT_EQ(Messages(), "DShaderLoader: AddMap(); texture reused (wall.tga)\n");
    EXPECT_EQ(d3Global().pool->GetCount(), 1);
  }
  EXPECT_EQ(d3Global().pool->GetCount(), 0);
  d3Global().flags &= ~DGF_USE_POOL;
  const auto apart = LoadAll(twice);
  EXPECT_NE(apart[0]->layers[0].texture->GetTexID(), apart[1]->layers[0].texture->GetTexID());
}

TEST_F(Shaders, SpecialMapsFromTheEnvironmentSource) {
  const std::string all = OneLayer("shader_env", "map=$trackenvmap\n") + OneLayer("shader_sun", "map=$cubemap1\n") +
                          OneLayer("shader_norm", "map=$normalizemap\n") + OneLayer("shader_mirror", "map=$mirror\n");
  {
    const auto none = LoadAll(all);
    EXPECT_EQ(none[0]->layers[0].texture, nullptr);
    const DTexture *red = none[3]->layers[0].texture;
    ASSERT_TRUE(red);
    EXPECT_EQ(red->GetWidth(), 1);
    EXPECT_EQ(capture.Take(),
              "DShaderLoader: could not resolve $trackenvmap (for env)\n"
              "DShaderLoader: could not resolve $cubemap1 (for sun)\n"
              "DShaderLoader: could not resolve $normalizemap (for norm)\n"
              "No $mirror texture was created (shader 'mirror')\n");
  }
  struct Source : DEnvironmentSource {
    DTexture *GetEnvironmentMap() override { return &maps[0]; }
    DTexture *GetSunMap() override { return &maps[1]; }
    DTexture *GetNormalizationMap() override { return &maps[2]; }
    DTexture *GetMirror() override { return nullptr; }
    DTexture maps[3];
  } source;
  for (DTexture &map : source.maps) map.Attach();  // the source's own
  d3Global().envSources[1] = &source;              // the first slot set is used
  {
    const auto offered = LoadAll(all);
    for (int i = 0; i < 3; ++i) {
      EXPECT_EQ(offered[i]->layers[0].texture, &source.maps[i]);
      EXPECT_EQ(source.maps[i].GetRefCount(), 2);
    }
    EXPECT_EQ(capture.Take(), "No $mirror texture was created (shader 'mirror')\n");
  }
  for (const DTexture &map : source.maps) EXPECT_EQ(map.GetRefCount(), 1);
}

TEST_F(Shaders, MadeFromMaterials) {
  QBitMap sky(32, 1, 1);
  auto *envMap = new DBitMapTexture(&sky);
  d3Global().envMap = envMap;
  DMaterial bare;
  DShader none;
  none.CreateFromMaterial(&bare);
  EXPECT_EQ(none.layerCount, 0);
  EXPECT_EQ(capture.Take(), "DShader:CreateFromMaterial(); need a texture\n");

  DMaterial chrome;
  chrome.AddTexture(dir.Path("wall.tga").c_str());
  chrome.shininess = 1e20f;  // far beyond an int
  chrome.creationFlags |= DMCF_ENVMAP;
  chrome.emission[0] = 0.25f;
  DTexture *wall = chrome.GetTexture(0);
  {
    DShader shader;
    shader.CreateFromMaterial(&chrome);
    EXPECT_STREQ(shader.name.CStr(), "wall.tga");
    EXPECT_EQ(shader.materialFlags, 0x150);
    EXPECT_EQ(shader.layerCount, 2);
    EXPECT_EQ(shader.sortKey, 300);
    EXPECT_EQ(shader.layers[0].blendSrc, static_cast<GLenum>(GL_ONE));
    EXPECT_EQ(shader.layers[0].flags & (DSL_DEPTH_WRITE | DSL_BIT17), DSL_DEPTH_WRITE | DSL_BIT17);
    EXPECT_GT(shader.layers[0].shininess, INT_MAX / 2);
    EXPECT_FLOAT_EQ(shader.layers[0].emission[0], 0.25f);
    EXPECT_EQ(shader.layers[1].texture, envMap);
    EXPECT_EQ(shader.layers[1].texEnv, static_cast<GLenum>(GL_ADD));
    EXPECT_EQ(shader.layers[1].texGen[0], static_cast<GLenum>(GL_SPHERE_MAP));
    EXPECT_EQ(wall->GetRefCount(), 2);
    EXPECT_EQ(envMap->GetRefCount(), 2);
  }
  EXPECT_EQ(wall->GetRefCount(), 1);
  EXPECT_EQ(envMap->GetRefCount(), 1);

  chrome.SetFlags(DMF_BLENDED);
  chrome.shininess = NAN;
  DShader glass;
  glass.CreateFromMaterial(&chrome);
  EXPECT_EQ(glass.sortKey, 400);
  EXPECT_EQ(glass.layers[0].flags & (DSL_BLEND | DSL_DEPTH_WRITE), DSL_BLEND);
  EXPECT_EQ(glass.layers[0].blendDst, static_cast<GLenum>(GL_ONE_MINUS_SRC_ALPHA));
  EXPECT_EQ(glass.layers[0].shininess, 0);
  d3Global().envMap = nullptr;
  envMap->Detach();
}

TEST_F(Shaders, OrderIsOneToSortBy) {
  d3Global().flags |= DGF_USE_POOL;
  auto shaders = LoadAll(OneLayer("shader_sky", "map=wall.tga\n", "sky=1\n") +
                         OneLayer("shader_late", "map=wall.tga\n", "sort_offset=200\n") +
                         OneLayer("shader_early", "map=wall.tga\n", "sort_offset=-5\n") +
                         OneLayer("shader_add", "map=glass.tga\nblendfunc=add\n") +
                         OneLayer("shader_blend", "map=glass.tga\nblendfunc=blend\n") +
                         OneLayer("shader_dst", "map=glass.tga\nblendfunc=dst_color zero\n") +
                         OneLayer("shader_always", "map=wall.tga\ndepthfunc=always\n") +
                         OneLayer("shader_opaque", "map=wall.tga\n") + OneLayer("shader_glass", "map=glass.tga\n") +
                         OneLayer("shader_nomap", "") + OneLayer("shader_nomap2", ""));
  d3Global().shaderGroup = 1;
  shaders.push_back(Load(OneLayer("shader_grouped", "map=glass.tga\n")));
  d3Global().shaderGroup = 0;
  std::vector<DShader *> all;
  for (auto &shader : shaders) all.push_back(shader.get());
  for (DShader *a : all) {
    for (DShader *b : all) {
      EXPECT_EQ(a->Compare(*b), -b->Compare(*a)) << a->name.CStr() << " " << b->name.CStr();
      for (DShader *c : all) {
        if (a->Compare(*b) >= 0 && b->Compare(*c) >= 0) {
          EXPECT_GE(a->Compare(*c), 0) << a->name.CStr() << " " << b->name.CStr() << " " << c->name.CStr();
        }
      }
    }
  }
  std::sort(all.begin(), all.end(), [](DShader *a, DShader *b) { return a->Compare(*b) > 0; });
  std::vector<std::string> order;
  for (DShader *shader : all) order.push_back(shader->name.CStr());
  EXPECT_EQ(order.front(), "sky");
  EXPECT_EQ(order[1], "early");
  EXPECT_EQ(order.back(), "late");
  // Among those of sort key 300: depth test off first; then by texture,
  // lower GL names first, none counting as 0; the other group after.
  const auto at = [&](const char *name) { return std::find(order.begin(), order.end(), name) - order.begin(); };
  EXPECT_LT(at("always"), at("opaque"));
  EXPECT_LT(at("nomap"), at("opaque"));
  EXPECT_GT(at("grouped"), at("glass"));
  EXPECT_LT(at("add"), at("blend"));
  EXPECT_EQ(shaders[4]->Compare(*shaders[5]), 0);  // blended alike: nothing tells them apart
}

TEST_F(Shaders, ProgramsAndMaterialLookUp) {
  DGPUShaderManager &programs = *d3Global().gpuShaderManager;
  const std::string text = OneLayer("shader_a", "map=wall.tga\n", "vertex_shader\n{\nfile=one.vp\n}\n") +
                           OneLayer("shader_b", "map=wall.tga\n", "fragment_shader\n{\nfile=one.vp\n}\n");
  int reference;
  {
    const auto shaders = LoadAll(text);
    reference = shaders[0]->vertexProgram;
    EXPECT_EQ(shaders[1]->fragmentProgram, reference);  // one entry, now a fragment program
    EXPECT_EQ(programs.GetGPUShader(reference)->kind, DGPUShader::FRAGMENT);
    EXPECT_EQ(programs.GetRefCount(reference), 2);
  }
  capture.Take();
  EXPECT_EQ(programs.GetGPUShader(reference), nullptr);  // released: a free slot
  EXPECT_EQ(programs.GetGPUShader(0), nullptr);
  EXPECT_EQ(capture.Take(), "DGPUShaderManager:GetGPUShader(ref=0) out of range\n");
  { DShader withoutPrograms; }
  EXPECT_EQ(Messages(), "");

  // A material of a model finds its shader by the model's path; its
  // texture names then stay unread.
  auto shader = Load(OneLayer("shader_hull", "map=wall.tga\n"));
  struct Render : DShaderRender {
    DShader *FindShader(const char *name) override { return name == wanted ? found : nullptr; }
    std::string wanted;
    DShader *found;
  } render;
  render.wanted = dir.Path("hull");
  for (char &c : render.wanted) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  render.found = shader.get();
  d3Global().shaderRender = &render;
  using namespace kiln::test::dof;
  dir.WriteFile("ship.dof", WrittenMaterial("Hull", {"wall.tga"}));
  QFile file(dir.Path("ship.dof").c_str(), QFile::READ);
  DMaterial material;
  EXPECT_TRUE(material.ImportDOF(&file, nullptr));
  d3Global().shaderRender = nullptr;
  EXPECT_EQ(material.shader, shader.get());
  EXPECT_EQ(material.GetTextureCount(), 0);
}

TEST_F(Shaders, EveryReferenceGivenBackAtTheEnd) {
  d3Global().flags |= DGF_USE_POOL;
  using namespace kiln::test::dof;
  dir.WriteFile("ship.dof", Dof1({Mats({WrittenMaterial("hull", {"wall.tga"}), WrittenMaterial("pane", {"glass.tga"})}),
                                  Geob({Triangle(0), Triangle(1)})}));
  {
    std::unique_ptr<DGeode> model(d3LoadModel(dir.Path("ship.dof").c_str()));
    ASSERT_TRUE(model);
    DGeode copy(*model);
    DShader fromMaterial;
    fromMaterial.CreateFromMaterial(copy.GetMaterial(1));
    const auto shaders = LoadAll(OneLayer("shader_a", "map=wall.tga\n") + OneLayer("shader_b", "map=glass.tga\n"));
    // The model's material and its copy's.
    EXPECT_EQ(model->GetMaterial(0)->GetTexture(0)->GetRefCount(), 2);
    EXPECT_EQ(copy.GetMaterial(1)->GetTexture(0)->GetRefCount(), 3);
  }
  EXPECT_EQ(d3Global().pool->GetCount(), 0);
}

}  // namespace
