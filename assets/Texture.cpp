#include "assets/Texture.h"

#include <cstdint>
#include <filesystem>
#include <system_error>

#include <FreeImage.h>
#include <GL/glew.h>

namespace vorn {

namespace {

// Formats decoded by well-tried libraries (PNG, JPEG) or by FreeImage's short BMP and TGA
// readers. Its own decoders of other formats crash or spin on damaged files (PSD, GIF and EXR among
// them), so a file of another format counts as unreadable.
bool trustedFormat(FREE_IMAGE_FORMAT format) {
  return format == FIF_PNG || format == FIF_JPEG || format == FIF_BMP || format == FIF_TARGA;
}

// A damaged header of a few bytes can ask for an image of gigabytes. Its size is read first, and an
// image is refused before any pixel is allocated when no texture could hold it, or when its pixels
// would be far more than any compression gets out of the file's bytes (solid colour in PNG or
// JPEG stays well below the factor; every image up to the floor passes).
constexpr uint64_t kMaxBytesPerFileByte = 4096;
constexpr uint64_t kAlwaysAllowedBytes = uint64_t{4096} * 4096 * 4;

bool sizeIsPlausible(FREE_IMAGE_FORMAT format, const std::string& path, uintmax_t fileBytes) {
  FIBITMAP* header = FreeImage_Load(format, path.c_str(), FIF_LOAD_NOPIXELS);
  if (header == nullptr) return false;
  const uint64_t width = FreeImage_GetWidth(header);
  const uint64_t height = FreeImage_GetHeight(header);
  FreeImage_Unload(header);
  GLint maxSide = 0;
  glGetIntegerv(GL_MAX_TEXTURE_SIZE, &maxSide);
  const auto limit = static_cast<uint64_t>(maxSide);
  const uint64_t pixelBytes = width * height * 4;
  return width > 0 && height > 0 && width <= limit && height <= limit &&
         (pixelBytes <= kAlwaysAllowedBytes || pixelBytes / kMaxBytesPerFileByte <= fileBytes);
}

// The image converted to 32 bits per pixel (BGRA on little-endian machines), or null when the
// file is missing, not a regular file (a pipe would block), of a format not trusted, or too large.
FIBITMAP* loadBgra(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  const uintmax_t fileBytes = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (!trustedFormat(format) || !sizeIsPlausible(format, path, fileBytes)) return nullptr;
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
