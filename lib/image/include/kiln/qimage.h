/// \file
/// QImage, a bitmap read from an image file.
#pragma once

#include <kiln/qbitmap.h>

/// A bitmap read from an image file, the reader chosen by the file's name:
/// SGI RGB, Targa, JPEG, PSD, MIP and BMP.
class QImage : public QBitMap {
public:
  /// Reads the file; test IsRead() afterwards.
  explicit QImage(const char *fileName, int depth = 0, int width = 0, int height = 0, int flags = 0);

  const char *ClassName() const override { return "QImage"; }
  void DbgPrint() const override;

  /// True when the last read succeeded.
  bool IsRead() const { return failed == 0; }
  /// Reads the file with the reader its extension names (in any case); false
  /// for an unknown extension (with a warning) or a file the reader refuses.
  bool Read(const char *fileName);

  ///@{
  /// Reads the file as that format, whatever its name; false (with a
  /// message) when it can't be read.
  bool ReadRGB(const char *fileName);
  bool ReadTGA(const char *fileName);
  bool ReadJPG(const char *fileName);
  bool ReadBMP(const char *fileName);
  bool ReadMIP(const char *fileName);
  bool ReadPSD(const char *fileName);
  ///@}

private:
  int failed = 0;
};
