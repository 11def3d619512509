// What materials ask for their shaders: the registered shader renderer.
#pragma once

class DShader;

class DShaderRender {
public:
  virtual ~DShaderRender() = default;
  // The first shader of exactly that name, or null.
  virtual DShader *FindShader(const char *name) = 0;
};
