/// \file
/// DShaderRender, where materials find their shaders by name.
#pragma once

class DShader;

/// What materials ask for their shaders: the registered shader renderer.
class DShaderRender {
public:
  virtual ~DShaderRender() = default;
  /// The first shader of exactly that name, or null.
  virtual DShader *FindShader(const char *name) = 0;
};
