#include <kiln/dmaterial.h>

#include <kiln/dbitmaptexture.h>
#include <kiln/dgeode.h>
#include <kiln/dglobal.h>
#include <kiln/dshaderrender.h>
#include <kiln/dtexturemap.h>
#include <kiln/dtexturepool.h>
#include <kiln/qbitmap.h>
#include <kiln/qdebug.h>
#include <kiln/qfile.h>
#include <kiln/qglcontext.h>
#include <kiln/qutil.h>

#include <GL/gl.h>
#include <GL/glext.h>

#include <cctype>
#include <cstring>
#include <memory>
#include <string>

#include "dof_io.h"

using kiln::dof::Reader;
using kiln::dof::Span;
using kiln::dof::Writer;

namespace {

constexpr float kEnvironmentStrength = 0.4f;

// The part after the last '/' or '\'.
const char *FileNamePart(const char *path) {
  const char *part = path;
  for (const char *at = path; *at; ++at) {
    if (*at == '/' || *at == '\\') part = at + 1;
  }
  return part;
}

std::string LowerCase(const char *text) {
  std::string lower(text);
  for (char &c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return lower;
}

// Material names as shader names: blanks and underscores become
// underscores, letters and digits stay, the rest goes, up to the first '.'.
std::string ShaderStyleName(const char *name) {
  std::string result;
  for (const char *at = name; *at && *at != '.'; ++at) {
    const unsigned char c = static_cast<unsigned char>(*at);
    if (c == ' ' || c == '_') result += '_';
    else if (std::isalnum(c) && c < 0x80) result += static_cast<char>(std::tolower(c));
  }
  return result;
}

bool HasExtensions(int bits) {
  QGLContext *context = QGLContext::GetCurrent();
  return context && context->HasExtensions(bits);
}

void SphereMapping() {
  glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_SPHERE_MAP);
  glEnable(GL_TEXTURE_GEN_S);
  glEnable(GL_TEXTURE_GEN_T);
}

bool Damaged(QFile *file, const char *tag, long offset) {
  qwarn("DMaterial:ImportDOF(); damaged '%s' chunk in '%s' at offset %ld", tag, file->GetName(), offset);
  return false;
}

}  // namespace

DMaterial::DMaterial() = default;

DMaterial::DMaterial(const DMaterial &other)
    : name(other.name),
      className(other.className),
      flags(other.flags),
      shininess(other.shininess),
      transparency(other.transparency),
      blendMode(other.blendMode),
      shader(other.shader) {
  std::memcpy(ambient, other.ambient, sizeof ambient);
  std::memcpy(diffuse, other.diffuse, sizeof diffuse);
  std::memcpy(specular, other.specular, sizeof specular);
  std::memcpy(emission, other.emission, sizeof emission);
  for (int i = 0; i < other.textureCount; ++i) {
    textures[i] = other.textures[i];
    textures[i]->Attach();
    textureNames[i] = other.textureNames[i];
  }
  textureCount = other.textureCount;
  for (int i = 0; i < other.subMaterialCount; ++i) subMaterials[i] = new DMaterial(*other.subMaterials[i]);
  subMaterialCount = other.subMaterialCount;
}

DMaterial::~DMaterial() {
  for (int i = 0; i < subMaterialCount; ++i) delete subMaterials[i];
  for (int i = 1; i < layerCount; ++i) {
    if (layers[i]->texture) layers[i]->texture->Detach();
    delete layers[i];
  }
  for (int i = 0; i < textureCount; ++i) textures[i]->Detach();
}

DTexture *DMaterial::GetTexture(int index) const {
  return index >= 0 && index < textureCount ? textures[index] : nullptr;
}

const char *DMaterial::GetTextureName(int index) const {
  return index >= 0 && index < textureCount ? textureNames[index].CStr() : nullptr;
}

const DMaterialLayer *DMaterial::GetLayer(int index) const {
  return index >= 1 && index < layerCount ? layers[index] : nullptr;
}

DMaterial *DMaterial::GetSubMaterial(int index) const {
  return index >= 0 && index < subMaterialCount ? subMaterials[index] : nullptr;
}

// --- the chunk ----------------------------------------------------------------

bool DMaterial::ImportDOF(QFile *file, DGeode *geode) {
  Reader in(file);
  return ImportChunk(in, file, geode, 0, in.FileSize());
}

bool DMaterial::ImportChunk(Reader &in, QFile *file, DGeode *geode, int depth, long limit) {
  kiln::dof::Tag outer;
  int32_t length;
  const long start = in.Position();
  if (!in.ReadTag(&outer) || !in.ReadInt(&length) || length < 0 || length > limit - in.Position()) {
    return Damaged(file, "MAT0", start);
  }
  const long end = in.Position() + length;
  creationFlags = 0;
  for (;;) {
    Span span;
    bool closed;
    const long at = in.Position();
    if (!in.NextSpan(end, "MEND", &span, &closed)) return Damaged(file, span.tag.text, at);
    if (closed) break;
    bool read = true;
    if (span.tag.Is("MCOL")) {
      float values[17];
      read = span.Length() >= 68 && in.ReadFloats(values, 17);
      if (read) {
        std::memcpy(ambient, values, sizeof ambient);
        std::memcpy(diffuse, values + 4, sizeof diffuse);
        std::memcpy(specular, values + 8, sizeof specular);
        std::memcpy(emission, values + 12, sizeof emission);
        shininess = values[16];
        RepairAlphas(file);
      }
    } else if (span.tag.Is("MHDR")) {
      read = in.ReadString(&name, span.end) && in.ReadString(&className, span.end);
      if (read) FindShader(file);
    } else if (span.tag.Is("MTRA")) {
      read = span.Length() >= 8 && in.ReadFloats(&transparency, 1) && in.ReadInt(&blendMode);
      if (read && blendMode != 0) flags |= DMF_BLENDED;
    } else if (span.tag.Is("MCFL")) {
      read = span.Length() >= 4 && in.ReadInt(&creationFlags);
    } else if (span.tag.Is("MUVW")) {
      read = span.Length() >= 28 && in.ReadFloats(uvw, 7);
    } else if (span.tag.Is("MTEX")) {
      read = ReadTextures(in, span, geode);
    } else if (span.tag.Is("MSUB")) {
      read = ReadSubMaterials(in, span, file, geode, depth);
    } else {
      qdbg("Unknown chunk '%s'\n", span.tag.text);
    }
    if (!read || !in.Seek(span.end)) return Damaged(file, span.tag.text, at);
  }
  if (!in.Seek(end)) return Damaged(file, "MAT0", start);

  if (creationFlags & DMCF_ENVMAP) {
    if (DTexture *envMap = d3Global().envMap) {
      DMaterialLayer layer;
      layer.texture = envMap;
      layer.type = DMaterialLayer::ENVMAP;
      layer.strength = kEnvironmentStrength;
      AddLayer(layer);
    } else {
      static bool warned = false;
      if (!warned) {
        warned = true;
        qwarn("DMaterial:ImportDOF(%s); can't create envmap; lacking default", geode ? geode->GetName() : "");
      }
    }
  }
  return true;
}

void DMaterial::RepairAlphas(QFile *file) {
  if (ambient[3] != 0 && diffuse[3] != 0 && specular[3] != 0 && emission[3] != 0) return;
  ambient[3] = diffuse[3] = specular[3] = emission[3] = 1.0f;
  static bool warned = false;
  if (warned) return;
  warned = true;
  qwarn("DOF '%s' contains alpha=0 for certain colors, which may make objects transparent!", file->GetName());
  qwarn("This warning will only be issued once.");
}

void DMaterial::FindShader(QFile *file) {
  name = ShaderStyleName(name.CStr()).c_str();
  DShaderRender *render = d3Global().shaderRender;
  if (!render) return;
  // The model file's path with the material's name for its file name.
  const char *path = file->GetName();
  std::string shaderName(path, static_cast<std::size_t>(FileNamePart(path) - path));
  shaderName = LowerCase((shaderName + name.CStr()).c_str());
  shader = render->FindShader(shaderName.c_str());
}

bool DMaterial::ReadTextures(Reader &in, const Span &span, DGeode *geode) {
  int32_t count;
  if (!in.ReadInt(&count) || !Reader::CountFits(span, count, 2)) return false;
  for (int i = 0; i < textureCount; ++i) textures[i]->Detach();
  textureCount = 0;
  for (int i = 0; i < count; ++i) {
    qstring read;
    if (!in.ReadString(&read, span.end)) return false;
    const std::string inFile = LowerCase(read.CStr());
    if (shader) continue;
    qstring path;
    if (!geode) {
      path = ("images/" + inFile).c_str();
    } else if (!d3Global().path.Find(inFile.c_str(), path)) {
      const std::string beside = std::string(geode->GetPath()) + "/" + inFile;
      const std::string images = "images/" + inFile;
      if (*geode->GetPath() && QFileExists(beside.c_str())) path = beside.c_str();
      else if (QFileExists(images.c_str())) path = images.c_str();
      else path = inFile.c_str();
    }
    AddTextureAs(path.CStr(), inFile.c_str());
  }
  return true;
}

bool DMaterial::ReadSubMaterials(Reader &in, const Span &span, QFile *file, DGeode *geode, int depth) {
  int32_t count;
  // A sub-material takes twelve bytes at least: tag, length and "MEND".
  if (!in.ReadInt(&count) || !Reader::CountFits(span, count, 12) || depth + 1 >= kMaxNesting) return false;
  for (int i = 0; i < subMaterialCount; ++i) delete subMaterials[i];
  subMaterialCount = 0;
  for (int i = 0; i < count; ++i) {
    auto material = std::make_unique<DMaterial>();
    if (!material->ImportChunk(in, file, geode, depth + 1, span.end)) return false;
    // Beyond the table the chunks are read, and left.
    if (AddSubMaterial(material.get())) material.release();
  }
  return true;
}

bool DMaterial::ExportDOF(QFile *file) const {
  Writer out(file);
  ExportChunk(out);
  return out.Finish();
}

void DMaterial::ExportChunk(Writer &out) const {
  out.Tag("MAT0");
  const long chunk = out.BeginLength();
  out.Tag("MHDR");
  const long header = out.BeginLength();
  out.String(name.CStr()).String(className.CStr()).EndLength(header);
  out.Tag("MCOL").Int(68).Floats(ambient, 4).Floats(diffuse, 4).Floats(specular, 4).Floats(emission, 4);
  out.Floats(&shininess, 1);
  out.Tag("MUVW").Int(28).Floats(uvw, 7);
  out.Tag("MTRA").Int(8).Floats(&transparency, 1).Int(blendMode);
  out.Tag("MCFL").Int(4).Int(creationFlags);
  out.Tag("MTEX");
  const long names = out.BeginLength();
  out.Int(textureCount);
  for (int i = 0; i < textureCount; ++i) out.String(textureNames[i].CStr());
  out.EndLength(names);
  out.Tag("MSUB");
  const long subs = out.BeginLength();
  out.Int(subMaterialCount);
  for (int i = 0; i < subMaterialCount; ++i) subMaterials[i]->ExportChunk(out);
  out.EndLength(subs);
  out.Tag("MEND").EndLength(chunk);
}

// --- textures and layers --------------------------------------------------------

bool DMaterial::AddTexture(const char *fileName) { return AddTextureAs(fileName, fileName); }

bool DMaterial::AddTextureAs(const char *path, const char *nameInFile) {
  const std::string lower = LowerCase(path);
  if (textureCount >= kMaxTextures) return false;
  if (textureCount == 0 && name.IsEmpty()) name = FileNamePart(lower.c_str());
  DGlobal &global = d3Global();
  DTexture *texture = global.pool->Find(lower.c_str());
  if (texture) {
    texture->Attach();
    createdHere[textureCount] = false;
  } else {
    std::unique_ptr<QBitMap> image(d3LoadTextureMap(path));
    bool keyed = false;
    if (std::strstr(path, ".bmp") || std::strstr(path, ".BMP")) keyed = image->KeyMagenta() > 0;
    texture = new DBitMapTexture(image.get());
    texture->SetName(FileNamePart(path));
    texture->SetTransparent(keyed);
    createdHere[textureCount] = true;
    if (global.flags & DGF_USE_POOL) global.pool->Add(lower.c_str(), texture);
  }
  texture->SetWrap(GL_REPEAT, GL_REPEAT, GL_REPEAT, GL_REPEAT);
  if (texture->IsTransparent()) flags |= DMF_BLENDED;
  textures[textureCount] = texture;
  textureNames[textureCount] = nameInFile;
  ++textureCount;
  return true;
}

bool DMaterial::AddLayer(const DMaterialLayer &layer) {
  if (layerCount > kMaxLayers - 1) {
    qwarn("DMaterial::AddLayer(); max (%d) reached", layerCount);
    return false;
  }
  layers[layerCount++] = new DMaterialLayer(layer);
  if (layer.texture) layer.texture->Attach();
  return true;
}

bool DMaterial::AddSubMaterial(DMaterial *material) {
  if (subMaterialCount >= kMaxSubMaterials) return false;
  subMaterials[subMaterialCount++] = material;
  return true;
}

// --- painting -------------------------------------------------------------------

bool DMaterial::HasEnvironmentLayer() const {
  return layerCount == 2 && layers[1]->type == DMaterialLayer::ENVMAP;
}

bool DMaterial::EnvironmentByMultitexture() const {
  return HasEnvironmentLayer() && d3Global().envMap && HasExtensions(QGL_MULTITEXTURE | QGL_TEXTURE_ENV_ADD);
}

bool DMaterial::PrepareToPaint(int layer) {
  if (flags & DMF_FLAT_COLOR) {
    if (layer == 0) {
      glDisable(GL_TEXTURE_2D);
      const float rgba[4] = {color.GetRed() / 255.0f, color.GetGreen() / 255.0f, color.GetBlue() / 255.0f,
                             color.GetAlpha() / 255.0f};
      glMaterialfv(GL_FRONT, GL_DIFFUSE, rgba);
    }
    return true;
  }
  if (layer < 0 || layer >= layerCount) return false;
  const bool multitexture = EnvironmentByMultitexture();
  if (layer >= 1) return multitexture ? false : PrepareLayer(*layers[layer]);
  if (multitexture) PrepareEnvironmentUnit();

  if (textureCount > 0) {
    textures[0]->Bind();
    if (!(flags & DMF_KEEP_TEXTURING)) glEnable(GL_TEXTURE_2D);
  } else if (!(flags & DMF_KEEP_TEXTURING)) {
    glDisable(GL_TEXTURE_2D);
  }
  if (!(flags & DMF_NO_LIGHTING)) {
    glMaterialfv(GL_FRONT, GL_AMBIENT, ambient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, diffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, specular);
    glMaterialfv(GL_FRONT, GL_EMISSION, emission);
    glMaterialf(GL_FRONT, GL_SHININESS, shininess);
  }
  if (flags & DMF_NO_BLENDING) return true;
  if (blendMode == 1) {
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_BLEND);
    glColor4f(1, 1, 1, 1);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glDepthMask(GL_FALSE);
    return true;
  }
  if (blendMode != 0) qwarn("DMaterial:PrepareToPaint; unsupported blend mode %d", blendMode);
  glDisable(GL_BLEND);
  return true;
}

// The default environment map on texture unit 1, sphere-mapped and turned
// by the global angle, so that it is drawn in the same pass as layer 0.
void DMaterial::PrepareEnvironmentUnit() const {
  glActiveTexture(GL_TEXTURE1);
  glEnable(GL_TEXTURE_2D);
  d3Global().envMap->Bind();
  SphereMapping();
  glDisable(GL_BLEND);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (flags & DMF_BLENDED) ? GL_DECAL : GL_ADD);
  glMatrixMode(GL_TEXTURE);
  glLoadIdentity();
  glTranslatef(0.5f, 0, 0.5f);
  glRotatef(d3Global().envMapAngle, 0, 1, 0);
  glMatrixMode(GL_MODELVIEW);
  glActiveTexture(GL_TEXTURE0);
}

bool DMaterial::PrepareLayer(const DMaterialLayer &layer) const {
  if (layer.texture) layer.texture->Bind();
  if (layer.type == DMaterialLayer::ENVMAP) SphereMapping();
  if (HasExtensions(QGL_BLEND_COLOR)) {
    glBlendFunc(GL_CONSTANT_COLOR, GL_ONE_MINUS_CONSTANT_COLOR);
    glBlendColor(layer.strength, layer.strength, layer.strength, layer.strength);
    glEnable(GL_BLEND);
    if (HasExtensions(QGL_TEXTURE_ENV_ADD)) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_ADD);
  }
  return true;
}

void DMaterial::FinishPaint(int layer) {
  if (EnvironmentByMultitexture()) {
    if (layer >= 1) return;
    // Texture unit 1 as it was before: off, without coordinate generation,
    // its matrix the identity.
    glActiveTexture(GL_TEXTURE1);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
    glMatrixMode(GL_TEXTURE);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glActiveTexture(GL_TEXTURE0);
  }
  // An extra layer drawn on its own generated its coordinates as well.
  if (textureCount > 0 || layer >= 1) {
    glDisable(GL_TEXTURE_GEN_S);
    glDisable(GL_TEXTURE_GEN_T);
  }
  if (blendMode == 1) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_MODULATE);
}
