#include "assets/Texture.h"

#include <FreeImage.h>
#include <GL/glew.h>

namespace vorn {

namespace {

// The image converted to 32 bits per pixel (BGRA on little-endian machines), or null when the
// file is missing or its content is not a format FreeImage recognises.
FIBITMAP* loadBgra(const std::string& path) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (format == FIF_UNKNOWN) return nullptr;
  FIBITMAP* loaded = FreeImage_Load(format, path.c_str(), 0);
  if (loaded == nullptr) return nullptr;
  FIBITMAP* converted = FreeImage_ConvertTo32Bits(loaded);
  FreeImage_Unload(loaded);
  return converted;
}

GLint minFilter(bool bilinear, int mipmapMode) {
  if (mipmapMode < 0) return bilinear ? GL_LINEAR : GL_NEAREST;
  if (mipmapMode == 0) return bilinear ? GL_LINEAR_MIPMAP_NEAREST : GL_NEAREST_MIPMAP_NEAREST;
  return bilinear ? GL_LINEAR_MIPMAP_LINEAR : GL_NEAREST_MIPMAP_LINEAR;
}

}  // namespace

Texture::Texture(const std::string& path) {
  glGenTextures(1, &name);
  glBindTexture(GL_TEXTURE_2D, name);
  if (FIBITMAP* image = loadBgra(path)) {
    // 32-bit rows are always 4-byte aligned, so FreeImage's pitch matches GL's default unpacking;
    // rows arrive bottom first, which is GL's texture origin.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, static_cast<GLsizei>(FreeImage_GetWidth(image)),
                 static_cast<GLsizei>(FreeImage_GetHeight(image)), 0, GL_BGRA, GL_UNSIGNED_BYTE,
                 FreeImage_GetBits(image));
    glGenerateMipmap(GL_TEXTURE_2D);
    FreeImage_Unload(image);
  } else {
    // An unreadable image leaves an empty texture: it samples as incomplete, the model still draws.
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, 0, 0, 0, GL_BGRA, GL_UNSIGNED_BYTE, nullptr);
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
