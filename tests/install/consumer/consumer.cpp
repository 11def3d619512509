// A program outside the project that uses the installed library.
#include <kiln/kiln.h>

#include <cstdio>

namespace {

void Quiet(const char *) {}

}  // namespace

int main() {
  qdbg_set_callback(Quiet);
  QDirectory directory(".");
  if (!directory.IsOpen()) return 1;
  std::printf("consumer ok\n");
  return 0;
}
