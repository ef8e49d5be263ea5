#include "assets/Texture.h"

#include <GL/glew.h>

#include "assets/Image.h"

namespace vorn {

namespace {

GLint minFilter(bool bilinear, int mipmapMode) {
  if (mipmapMode == kMipmapOff) return bilinear ? GL_LINEAR : GL_NEAREST;
  if (mipmapMode == kMipmapNearest)
    return bilinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return bilinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

}  // namespace

Texture::Texture(const Image& image) {
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  if (image.empty()) {
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
  } else {
    // The mipmap levels come with the image: built once on the CPU, they cost each texture of
    // the same image a copy, where the driver's mipmap generation renders every level again.
    // Storage for the whole chain at once keeps the driver from holding levels apart and
    // gathering them at the first draw. Rows of 32-bit pixels are 4-byte aligned, GL's default.
    const auto levels = static_cast<GLsizei>(image.levels.size());
    glTexStorage2D(GL_TEXTURE_2D, levels, GL_RGBA8, static_cast<GLsizei>(image.levels[0].width),
                   static_cast<GLsizei>(image.levels[0].height));
    for (GLsizei level = 0; level < levels; ++level) {
      const Image::Level& pixels = image.levels[static_cast<std::size_t>(level)];
      glTexSubImage2D(GL_TEXTURE_2D, level, 0, 0, static_cast<GLsizei>(pixels.width),
                      static_cast<GLsizei>(pixels.height), GL_RGBA, GL_UNSIGNED_BYTE,
                      pixels.pixels.data());
    }
  }
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

Texture::~Texture() {
  if (name != 0) glDeleteTextures(1, &name);
}

void Texture::bind(uint32_t unit, bool bilinear, int mipmapMode) const {
  glActiveTexture(unit);
  glBindTexture(GL_TEXTURE_2D, name);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, minFilter(bilinear, mipmapMode));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, bilinear ? GL_LINEAR : GL_NEAREST);
}

}  // namespace vorn
