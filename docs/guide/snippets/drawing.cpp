// The guide's samples of drawing: fonts, texture fonts and blits.
#include <kiln/kiln.h>

#include <memory>

// [x fonts]
// An X font by family, size, slant, weight and width, the pieces of the
// name the server is asked for; Create() turns its glyphs into display
// lists of the current context.
bool LabelInXFont(QCanvas *canvas) {
  static QFont title("helvetica", 18, 1, 2);  // roman, bold
  if (!title.GetListBase() && !title.Create()) return false;
  canvas->SetFont(&title);
  canvas->SetColor(PX_BLACK);
  canvas->Text("Bitmap glyphs", 10, 10);  // (x, y) is the top of the text
  return true;
}
// [x fonts]

// [texture fonts]
// A texture font from its files ("title.dtf" and "title.tga", made once by
// baking an X font): a QFont of size 0, once the 3D library is asked to
// provide them.
std::unique_ptr<QFont> LoadTitleFont() {
  d3UseTextureFonts();
  auto font = std::make_unique<QFont>("fonts/title", 0);
  if (!font->Create()) return nullptr;  // the reason was printed
  font->SetScale(2, 2);                 // only texture fonts scale
  return font;
}
// [texture fonts]

// [blits]
// A picture read once and blitted where it is wanted; pixels with alpha
// are blended when asked.
void ShowLogo(QCanvas *canvas) {
  static QImage logo("images/logo.tga");
  if (!logo.IsRead()) return;
  canvas->Blit(&logo, 10, 10);                                  // the whole picture
  canvas->Blit(&logo, 200, 10, 32, 32, 0, 0, true);             // its top left 32 x 32, blended
  canvas->SetFlags(QCANVAS_QUEUE_BLITS);                        // many small blits...
  for (int x = 0; x < 10; ++x) canvas->Blit(&logo, x * 40, 100, 32, 32);
  canvas->FlushBlits();                                         // ...drawn in one pass
  canvas->ClearFlags(QCANVAS_QUEUE_BLITS);
}
// [blits]

// [read back]
// What the canvas shows, read from the back buffer before the swap and
// written as a Targa file.
bool SavePicture(QCanvas *canvas, const char *file) {
  QBitMap picture(32, canvas->GetWidth(), canvas->GetHeight());
  canvas->ReadPixels(&picture, 0, 0);
  return picture.Write(file, QBM_FORMAT_TGA);
}
// [read back]
