// The guide's samples of the files the library reads and writes.
#include <kiln/kiln.h>

#include <memory>

// [configuration]
// A configuration tree: values by dotted path, with defaults; a changed
// tree is written back when it goes (or at once with Write()).
void Configure() {
  QInfo config("game.cfg");
  const int width = config.GetInt("video.width", 640);
  const bool sound = config.GetBool("audio.enabled", true);
  float gravity[3] = {0, -9.8f, 0};
  config.GetFloats("physics.gravity", 3, gravity);
  qstring player;
  config.GetString("player.name", player, "nobody");
  config.SetInt("stats.starts", config.GetInt("stats.starts") + 1);
  qdbg("%dx%d, sound %d, player %s\n", width, width * 3 / 4, sound, player.CStr());
}
// [configuration]

// [archive]
// Files packed into one archive, read back whole or as a memory file.
bool PackAndRead() {
  {
    QArchive archive("assets.ar", AR_CREATE);
    if (!archive.IsOpen() || !archive.AddFile("models/car.dof") || !archive.AddFile("textures/car.tga"))
      return false;
  }
  QArchive archive("assets.ar", AR_READ);
  std::unique_ptr<QFile> car(archive.OpenFile("models/car.dof"));
  return car && car->Size() > 0;
}
// [archive]

// [images]
// Pictures in: SGI RGB, Targa, JPEG, BMP, MIP, PSD by the file's name.
// Pictures out: SGI RGB, Targa, JPEG, from 32-bit bitmaps.
bool Thumbnail(const char *in, const char *out) {
  QImage image(in);
  if (!image.IsRead()) return false;
  image.Scale(image.GetWidth() / 4, image.GetHeight() / 4);
  return image.Write(out, QBM_FORMAT_JPG, 85);
}
// [images]

// [model files]
// A model read, changed and written back as a model file.
bool MoveModel(const char *in, const char *out) {
  std::unique_ptr<DGeode> model(d3LoadModel(in, nullptr, nullptr, 99999.0f, false));
  if (!model) return false;
  model->Translate(0, 1, 0);
  QFile file(out, QFile::WRITE);
  return file.IsOpen() && model->ExportDOF(&file) && file.Flush() == 0;
}
// [model files]

// [tapes]
// The records of a VCR tape, first to last: each a state's name and the
// program's data (here a 32-bit number).
void ListTape(const char *file) {
  QVCRTape tape;
  if (!tape.Open(file)) return;  // refused when its records don't chain
  while (tape.StepBack()) {
  }
  const auto list = [](const char *name, QFile &data) {
    int32_t value = 0;
    data.ReadLE32(&value);
    qout("%.32s %d\n", name, value);
    return true;
  };
  while (tape.Play(false, list)) {
  }
}
// [tapes]

// [texture font descriptions]
// Where the glyphs of a texture font lie, read from its description
// without drawing anything.
void ListGlyphs(const char *dtf) {
  QInfo description(dtf, QINFO_QUIET);
  DTexFontLayout layout;
  if (!layout.Read(description, dtf, DTexFontTextureSize{256, 256})) return;
  for (int i = 0; i < layout.GetGlyphCount(); ++i) {
    const DTexFontGlyph *glyph = layout.GetGlyph(i);
    qout("%d at (%d, %d), %d x %d, advance %d\n", glyph->code, glyph->x, glyph->y, glyph->width, glyph->height,
         glyph->advance);
  }
}
// [texture font descriptions]
