// A bitmap read from an image file, the reader chosen by the file's name:
// SGI RGB, Targa, JPEG, PSD, MIP and BMP.
#pragma once

#include <kiln/qbitmap.h>

class QImage : public QBitMap {
public:
  // Reads the file; test IsRead() afterwards.
  explicit QImage(const char *fileName, int depth = 0, int width = 0, int height = 0, int flags = 0);

  const char *ClassName() const override { return "QImage"; }
  void DbgPrint() const override;

  bool IsRead() const { return failed == 0; }
  bool Read(const char *fileName);

  bool ReadRGB(const char *fileName);
  bool ReadTGA(const char *fileName);
  bool ReadJPG(const char *fileName);
  bool ReadBMP(const char *fileName);
  bool ReadMIP(const char *fileName);
  bool ReadPSD(const char *fileName);

private:
  int failed = 0;
};
