// The pixels of an uncompressed 32-bit Targa with rows from the bottom, as
// the library writes its screenshots.
#pragma once

#include <array>
#include <cstddef>
#include <string>

namespace kiln::test {

class TargaPicture {
public:
  // 0 x 0 unless the bytes hold a whole 32-bit picture.
  explicit TargaPicture(std::string bytes) : data(std::move(bytes)) {
    if (data.size() < 18) return;
    width = Byte(12) | Byte(13) << 8;
    height = Byte(14) | Byte(15) << 8;
    if (data.size() != 18 + 4 * static_cast<std::size_t>(width) * static_cast<std::size_t>(height)) width = height = 0;
  }

  // Red, green, blue at (x, y) from the top left.
  std::array<int, 3> At(int x, int y) const {
    const std::size_t at = 18 + 4 * static_cast<std::size_t>((height - 1 - y) * width + x);
    return {Byte(at + 2), Byte(at + 1), Byte(at)};
  }
  const std::string &Bytes() const { return data; }

  int width = 0, height = 0;

private:
  int Byte(std::size_t i) const { return static_cast<unsigned char>(data[i]); }

  std::string data;
};

}  // namespace kiln::test
