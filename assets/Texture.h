#pragma once

#include <string>

#include <GL/glew.h>

namespace vorn {

// One 2D texture loaded from an image file, with a full mipmap chain.
class Texture {
 public:
  explicit Texture(const std::string& path);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Binds to the unit (GL_TEXTURE0 + n) and sets the filters for the two sampling toggles.
  void bind(GLenum unit, bool bilinear, int mipmapMode) const;

  GLuint name = 0;
};

}  // namespace vorn
