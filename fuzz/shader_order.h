// The check the shader harnesses share: the paint order is one to sort by.
#pragma once

#include <kiln/dshader.h>

#include <memory>
#include <vector>

namespace kiln::fuzz {

// Antisymmetric on every pair, and transitive on every triple.
inline void CheckShaderOrder(const std::vector<std::unique_ptr<DShader>> &shaders) {
  for (const auto &a : shaders) {
    for (const auto &b : shaders) {
      const int ab = a->Compare(*b);
      if (ab != -b->Compare(*a)) __builtin_trap();
      for (const auto &c : shaders) {
        if (ab >= 0 && b->Compare(*c) >= 0 && a->Compare(*c) < 0) __builtin_trap();
      }
    }
  }
}

}  // namespace kiln::fuzz
