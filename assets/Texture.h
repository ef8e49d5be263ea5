#pragma once

#include <cstdint>
#include <string>

namespace vorn {

// One 2D texture loaded from an image file, with a full mipmap chain.
class Texture {
 public:
  explicit Texture(const std::string& path);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Binds to the unit (GL_TEXTURE0 + n) and sets the filters for the two sampling toggles.
  void bind(uint32_t unit, bool bilinear, int mipmapMode) const;

  uint32_t name = 0;  // GL texture name
};

}  // namespace vorn
