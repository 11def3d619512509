// QFont's texture fonts are DTexFonts: what the drawing layer asks of one,
// answered by the font.
#include <kiln/dtexfont.h>
#include <kiln/qtexturefont.h>

namespace {

class TextureFont : public QTextureFont {
public:
  explicit TextureFont(const char *name) : font(name) {}
  bool IsLoaded() const { return font.GetTexture() != nullptr; }

  int GetFlags() const override { return font.flags; }
  float GetHeight() const override { return font.GetHeight(); }
  float GetCharWidth(int code) const override { return font.GetCharWidth(code); }
  float GetWidth(const char *text, int count) const override { return font.GetTextWidth(text, count); }
  void SetScale(float x, float y) override {
    font.scaleX = x;
    font.scaleY = y;
  }
  void Paint(const char *text, float x, float y, int count, const QColor &color) override {
    font.color.CopyFrom(color);
    font.Paint(text, x, y, count);
  }

private:
  DTexFont font;
};

QTextureFont *LoadTextureFont(const char *name) {
  auto *font = new TextureFont(name);
  if (font->IsLoaded()) return font;
  delete font;
  return nullptr;
}

}  // namespace

void d3UseTextureFonts() { QFontSetTextureFontLoader(LoadTextureFont); }
