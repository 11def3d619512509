// A program outside the project that uses the installed library: a layer
// or two below the windows, and a class of its own made from one of the
// library's (so its type information crosses into the library).
#include <kiln/kiln.h>

#include <cstdio>

namespace {

void Quiet(const char *) {}

class Thumbnail : public QBitMap {
public:
  Thumbnail() : QBitMap(32, 8, 8) {}
  const char *ClassName() const override { return "Thumbnail"; }
};

}  // namespace

int main() {
  qdbg_set_callback(Quiet);
  QDirectory directory(".");
  if (!directory.IsOpen()) return 1;
  QBitMap *copy = Thumbnail().Clone(true);
  if (!copy || copy->GetWidth() != 8 || copy->GetDepth() != 32) return 1;
  delete copy;
  DMatrix4 matrix;
  matrix.Scale(2, 2, 2);
  DVector3 point;
  matrix.TransformPoint(DVector3(1, 2, 3), point);
  if (point.x != 2 || point.z != 6) return 1;
  std::printf("consumer ok\n");
  return 0;
}
