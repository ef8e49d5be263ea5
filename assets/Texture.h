#pragma once

#include <cstdint>

namespace vorn {

struct Image;

// The values of the mip-mapping toggle.
constexpr int32_t kMipmapOff = -1;
constexpr int32_t kMipmapNearest = 0;
constexpr int32_t kMipmapLinear = 1;

// One 2D texture made from a decoded image, with a full mipmap chain.
class Texture {
 public:
  // An empty image gives an empty texture: it samples as incomplete, and what uses it still draws.
  explicit Texture(const Image& image);
  ~Texture();
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;

  // Binds to the unit (GL_TEXTURE0 + n) and sets the filters for the two sampling toggles.
  void bind(uint32_t unit, bool bilinear, int mipmapMode) const;

  uint32_t name = 0;  // GL texture name
};

}  // namespace vorn
