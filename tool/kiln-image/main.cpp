// kiln-image: converts images between the formats the library reads and
// writes, and tells what an image holds.
#include <kiln/qdebug.h>
#include <kiln/qimage.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "tool_support.h"

namespace {

const char kHelp[] =
    "usage: kiln-image convert IN OUT [--quality N] [--gray]\n"
    "       kiln-image info FILE\n"
    "IN may be SGI RGB (.rgb), Targa (.tga), JPEG (.jpg), BMP (.bmp), PSD (.psd)\n"
    "or MIP (.mip); OUT is written by its extension: .rgb/.sgi, .tga, .jpg/.jpeg.\n"
    "JPEG quality is 90 unless given; --gray writes grey levels.\n";


int Error(const std::string &message) { return kiln::tool::Fail("kiln-image", message); }

int Convert(const std::string &in, const std::string &out, int quality, bool gray) {
  const int format = kiln::tool::ImageFormatFor(out, gray);
  if (format < 0) return Error("can't write '" + out + "': use .rgb, .sgi, .tga, .jpg or .jpeg");
  QImage image(in.c_str());
  if (!image.IsRead() || !image.GetBuffer()) return Error("can't read '" + in + "'");
  if (gray) image.Gray(128);
  if (!image.Write(out.c_str(), format, quality)) return Error("can't write '" + out + "'");
  return 0;
}

int Info(const std::string &path) {
  QImage image(path.c_str());
  if (!image.IsRead() || !image.GetBuffer()) return Error("can't read '" + path + "'");
  std::printf("%s: %d x %d, transparency: %s\n", path.c_str(), image.GetWidth(), image.GetHeight(),
              image.HasTransparency() ? "yes" : "no");
  return 0;
}

int Usage() { return kiln::tool::Usage(kHelp); }

}  // namespace

int main(int argc, char **argv) {
  kiln::tool::SendMessagesToStandardError();

  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage();
  if (kiln::tool::IsHelpRequest(args[0])) {
    std::fputs(kHelp, stdout);
    return 0;
  }
  int quality = 90;
  bool gray = false;
  std::vector<std::string> operands;
  for (std::size_t i = 1; i < args.size(); ++i) {
    if (args[i] == "--gray") {
      gray = true;
    } else if (args[i] == "--quality" && i + 1 < args.size()) {
      char *end = nullptr;
      long value = std::strtol(args[++i].c_str(), &end, 10);
      if (*end || value < 1 || value > 100) return Error("quality must be 1 to 100");
      quality = static_cast<int>(value);
    } else {
      operands.push_back(args[i]);
    }
  }
  if (args[0] == "convert" && operands.size() == 2) return Convert(operands[0], operands[1], quality, gray);
  if (args[0] == "info" && operands.size() == 1) return Info(operands[0]);
  return Usage();
}
