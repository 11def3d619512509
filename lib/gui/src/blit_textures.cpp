#include "blit_textures.h"

#include <kiln/qbitmap.h>
#include <kiln/qcanvas.h>
#include <kiln/qglcontext.h>

#include <algorithm>
#include <cstring>

namespace kiln::gui {

namespace {

constexpr int kSharedSide = 2048;       // the texture small bitmaps share
constexpr int kLargestShared = 1024;    // bitmaps up to this side go there
constexpr long kMostKept = 64L << 20;   // bytes of copies kept before the least used go

int PowerOfTwoAtLeast(int size) {
  int power = 1;
  while (power < size) power *= 2;
  return power;
}

GLuint MakeTexture(int width, int height) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  return texture;
}

}  // namespace

BlitTextures::~BlitTextures() { Release(); }

bool BlitTextures::StateAllows() {
  if (!QGLContext::GetCurrent()) return false;
  // What changes glDrawPixels' fragments and a quad's alike would have to
  // be matched for the quads' own coordinates: left to glDrawPixels.
  for (GLenum capability : {GL_DEPTH_TEST, GL_FOG, GL_ALPHA_TEST, GL_STENCIL_TEST, GL_COLOR_LOGIC_OP, GL_TEXTURE_1D,
                            GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP}) {
    if (glIsEnabled(capability)) return false;
  }
  GLint unit = 0, units = 1;
  glGetIntegerv(GL_ACTIVE_TEXTURE, &unit);
  glGetIntegerv(GL_MAX_TEXTURE_UNITS, &units);
  if (unit != GL_TEXTURE0) return false;
  bool otherUnits = false;
  for (int other = 1; other < units && !otherUnits; ++other) {
    glActiveTexture(static_cast<GLenum>(GL_TEXTURE0 + other));
    for (GLenum target : {GL_TEXTURE_1D, GL_TEXTURE_2D, GL_TEXTURE_3D, GL_TEXTURE_CUBE_MAP})
      otherUnits = otherUnits || glIsEnabled(target);
  }
  glActiveTexture(GL_TEXTURE0);
  if (otherUnits) return false;
  // Pixel zoom and transfer apply to glDrawPixels, not to a quad.
  GLboolean mapped = GL_FALSE;
  glGetBooleanv(GL_MAP_COLOR, &mapped);
  if (mapped) return false;
  const struct {
    GLenum name;
    float value;
  } kDefaults[] = {{GL_ZOOM_X, 1},    {GL_ZOOM_Y, 1},    {GL_RED_SCALE, 1}, {GL_GREEN_SCALE, 1},
                   {GL_BLUE_SCALE, 1}, {GL_ALPHA_SCALE, 1}, {GL_RED_BIAS, 0},  {GL_GREEN_BIAS, 0},
                   {GL_BLUE_BIAS, 0},  {GL_ALPHA_BIAS, 0}};
  for (const auto &setting : kDefaults) {
    GLfloat value = 0;
    glGetFloatv(setting.name, &value);
    if (value != setting.value) return false;
  }
  return true;
}

void BlitTextures::Release() {
  // Names of another context mean nothing in this one.
  if (context && QGLContext::GetCurrent() == context) {
    for (auto &[bitmap, slot] : slots) {
      if (slot.own) glDeleteTextures(1, &slot.texture);
    }
    if (shared) glDeleteTextures(1, &shared);
  }
  slots.clear();
  lastBitmap = nullptr;
  shared = 0;
  shelfX = shelfY = shelfHeight = 0;
  keptBytes = 0;
  context = nullptr;
}

void BlitTextures::Upload(const Slot &slot, const QBitMap &bitmap, int sx, int row, int width, int height) const {
  glBindTexture(GL_TEXTURE_2D, slot.texture);
  glPixelStorei(GL_UNPACK_ROW_LENGTH, bitmap.GetWidth());
  glPixelStorei(GL_UNPACK_SKIP_PIXELS, sx);
  glPixelStorei(GL_UNPACK_SKIP_ROWS, row);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage2D(GL_TEXTURE_2D, 0, slot.x + sx, slot.y + row, width, height, GL_RGBA, GL_UNSIGNED_BYTE,
                  bitmap.GetBuffer());
}

void BlitTextures::Forget(const QBitMap *bitmap) {
  auto found = slots.find(bitmap);
  if (found == slots.end()) return;
  if (found->second.own) glDeleteTextures(1, &found->second.texture);
  keptBytes -= static_cast<long>(found->second.copy.size());
  slots.erase(found);
  lastBitmap = nullptr;
}

void BlitTextures::PlaceInShared(Slot &slot) {
  if (!shared) shared = MakeTexture(kSharedSide, kSharedSide);
  if (shelfX + slot.width > kSharedSide) {
    shelfX = 0;
    shelfY += shelfHeight;
    shelfHeight = 0;
  }
  if (shelfY + slot.height > kSharedSide) {
    // Full: every bitmap in it is sent again when next drawn. What is
    // gathered for drawing from it goes first.
    FlushRun();
    for (auto at = slots.begin(); at != slots.end();) {
      if (at->second.own) {
        ++at;
        continue;
      }
      keptBytes -= static_cast<long>(at->second.copy.size());
      at = slots.erase(at);
      lastBitmap = nullptr;
    }
    shelfX = shelfY = shelfHeight = 0;
  }
  slot.texture = shared;
  slot.x = shelfX;
  slot.y = shelfY;
  slot.textureWidth = slot.textureHeight = kSharedSide;
  shelfX += slot.width;
  shelfHeight = std::max(shelfHeight, slot.height);
}

BlitTextures::Slot *BlitTextures::SlotFor(const QBitMap *bitmap) {
  // A bitmap's blits tend to come one after another.
  if (bitmap == lastBitmap && lastSlot->width == bitmap->GetWidth() && lastSlot->height == bitmap->GetHeight())
    return lastSlot;
  lastBitmap = bitmap;
  lastSlot = Find(bitmap);
  return lastSlot;
}

BlitTextures::Slot *BlitTextures::Find(const QBitMap *bitmap) {
  auto found = slots.find(bitmap);
  if (found != slots.end() && found->second.width == bitmap->GetWidth() && found->second.height == bitmap->GetHeight())
    return &found->second;
  Forget(bitmap);
  const int width = bitmap->GetWidth(), height = bitmap->GetHeight();
  Slot slot;
  slot.width = width;
  slot.height = height;
  if (width <= kLargestShared && height <= kLargestShared) {
    PlaceInShared(slot);
  } else {
    GLint largest = 0;
    glGetIntegerv(GL_MAX_TEXTURE_SIZE, &largest);
    slot.textureWidth = PowerOfTwoAtLeast(width);
    slot.textureHeight = PowerOfTwoAtLeast(height);
    if (slot.textureWidth > largest || slot.textureHeight > largest) return nullptr;
    slot.texture = MakeTexture(slot.textureWidth, slot.textureHeight);
    slot.own = true;
  }
  const std::size_t bytes = static_cast<std::size_t>(width) * height * 4;
  slot.copy.assign(bitmap->GetBuffer(), bitmap->GetBuffer() + bytes);
  keptBytes += static_cast<long>(bytes);
  Slot &made = slots[bitmap] = std::move(slot);
  Upload(made, *bitmap, 0, 0, width, height);
  // Too much kept: the copies drawn longest ago go (not those of this draw).
  while (keptBytes > kMostKept) {
    auto oldest = slots.end();
    for (auto at = slots.begin(); at != slots.end(); ++at) {
      if (at->first != bitmap && at->second.used < draws && (oldest == slots.end() || at->second.used < oldest->second.used))
        oldest = at;
    }
    if (oldest == slots.end()) break;
    Forget(oldest->first);
  }
  return &slots[bitmap];
}

void BlitTextures::Refresh(Slot &slot, const QBitMap &bitmap, int sx, int skipRows, int width, int height) {
  // The rows drawn, compared with the copy; a run of changed rows is sent
  // at once.
  const std::size_t rowBytes = static_cast<std::size_t>(width) * 4;
  int changedFrom = -1;
  for (int row = skipRows; row <= skipRows + height; ++row) {
    bool changed = false;
    if (row < skipRows + height) {
      const uint8_t *now = bitmap.GetAddress(sx, row);
      uint8_t *kept = slot.copy.data() + (static_cast<std::size_t>(row) * slot.width + sx) * 4;
      changed = std::memcmp(now, kept, rowBytes) != 0;
      if (changed) std::memcpy(kept, now, rowBytes);
    }
    if (changed && changedFrom < 0) changedFrom = row;
    if (!changed && changedFrom >= 0) {
      // Quads gathered but not drawn never read these texels: within one
      // draw a bitmap holds still, and what an earlier blit of it drew is
      // already sent.
      Upload(slot, bitmap, sx, changedFrom, width, row - changedFrom);
      changedFrom = -1;
    }
  }
}

void BlitTextures::FlushRun() {
  if (quads.empty()) return;
  glBindTexture(GL_TEXTURE_2D, runTexture);
  glVertexPointer(2, GL_FLOAT, 4 * sizeof(float), quads.data());
  glTexCoordPointer(2, GL_FLOAT, 4 * sizeof(float), quads.data() + 2);
  glDrawArrays(GL_QUADS, 0, static_cast<GLsizei>(quads.size() / 4));
  quads.clear();
}

bool BlitTextures::Draw(const QBlitQueue::Entry *entries, int count, int windowWidth, int windowHeight) {
  if (QGLContext::GetCurrent() != context) {
    Release();
    context = QGLContext::GetCurrent();
  }
  ++draws;
  glPushAttrib(GL_ENABLE_BIT | GL_TEXTURE_BIT | GL_TRANSFORM_BIT | GL_VIEWPORT_BIT | GL_COLOR_BUFFER_BIT |
               GL_POLYGON_BIT);
  glPushClientAttrib(GL_CLIENT_VERTEX_ARRAY_BIT | GL_CLIENT_PIXEL_STORE_BIT);
  // Window coordinates, one unit a pixel.
  glMatrixMode(GL_PROJECTION);
  glPushMatrix();
  glLoadIdentity();
  glOrtho(0, windowWidth, 0, windowHeight, -1, 1);
  glMatrixMode(GL_TEXTURE);
  glPushMatrix();
  glLoadIdentity();
  glMatrixMode(GL_MODELVIEW);
  glPushMatrix();
  glLoadIdentity();
  glViewport(0, 0, windowWidth, windowHeight);
  for (GLenum off : {GL_LIGHTING, GL_CULL_FACE, GL_POLYGON_STIPPLE, GL_POLYGON_OFFSET_FILL, GL_TEXTURE_GEN_S,
                     GL_TEXTURE_GEN_T, GL_TEXTURE_GEN_R, GL_TEXTURE_GEN_Q, GL_COLOR_MATERIAL})
    glDisable(off);
  glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
  glEnable(GL_TEXTURE_2D);
  glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
  glEnableClientState(GL_VERTEX_ARRAY);
  glEnableClientState(GL_TEXTURE_COORD_ARRAY);
  for (GLenum off : {GL_COLOR_ARRAY, GL_NORMAL_ARRAY, GL_INDEX_ARRAY, GL_EDGE_FLAG_ARRAY}) glDisableClientState(off);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glDisable(GL_BLEND);
  bool blending = false;
  runTexture = 0;
  quads.clear();
  visible.Find(entries, count, windowWidth, windowHeight);
  for (int i = 0; i < count; ++i) {
    const QBlitQueue::Entry &entry = entries[i];
    const VisibleParts::Range parts = visible.Of(i);
    if ((entry.flags & QBlitQueue::SKIP) || parts.begin() == parts.end()) continue;
    const bool blend = entry.flags & QBlitQueue::BLEND;
    Slot *slot = entry.bitmap->GetDepth() == 32 ? SlotFor(entry.bitmap) : nullptr;
    if (!slot || slot->texture != runTexture || blend != blending) FlushRun();
    if (blend != blending) {
      blend ? glEnable(GL_BLEND) : glDisable(GL_BLEND);
      blending = blend;
    }
    if (!slot) {
      // Beyond any texture: drawn whole, as it always was.
      glDisable(GL_TEXTURE_2D);
      QCanvas::DrawRows(entry.bitmap, entry.sx, entry.skipRows, entry.width, entry.height, entry.dx, entry.dy);
      glEnable(GL_TEXTURE_2D);
      runTexture = 0;
      continue;
    }
    slot->used = draws;
    runTexture = slot->texture;
    const float w = static_cast<float>(slot->textureWidth), h = static_cast<float>(slot->textureHeight);
    for (const VisibleParts::Part &part : parts) {
      const int sx = entry.sx + part.x, row = entry.skipRows + part.y;
      Refresh(*slot, *entry.bitmap, sx, row, part.width, part.height);
      const float x0 = static_cast<float>(entry.dx + part.x), y0 = static_cast<float>(entry.dy + part.y);
      const float x1 = x0 + static_cast<float>(part.width), y1 = y0 + static_cast<float>(part.height);
      const float s0 = static_cast<float>(slot->x + sx) / w, s1 = static_cast<float>(slot->x + sx + part.width) / w;
      const float t0 = static_cast<float>(slot->y + row) / h, t1 = static_cast<float>(slot->y + row + part.height) / h;
      const float corners[16] = {x0, y0, s0, t0, x1, y0, s1, t0, x1, y1, s1, t1, x0, y1, s0, t1};
      quads.insert(quads.end(), corners, corners + 16);
    }
  }
  FlushRun();
  glMatrixMode(GL_TEXTURE);
  glPopMatrix();
  glMatrixMode(GL_PROJECTION);
  glPopMatrix();
  glMatrixMode(GL_MODELVIEW);
  glPopMatrix();
  glPopClientAttrib();
  glPopAttrib();
  return blending;
}

}  // namespace kiln::gui
