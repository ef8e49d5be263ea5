#include "assets/Image.h"

#include <algorithm>
#include <filesystem>
#include <system_error>
#include <utility>

#include <FreeImage.h>

namespace vorn {

namespace {

// Formats decoded by well-tried libraries (PNG, JPEG) or by FreeImage's short BMP and TGA
// readers. Its own decoders of other formats crash or spin on damaged files (PSD, GIF and EXR among
// them), so a file of another format counts as unreadable.
bool trustedFormat(FREE_IMAGE_FORMAT format) {
  return format == FIF_PNG || format == FIF_JPEG || format == FIF_BMP || format == FIF_TARGA;
}

// Every OpenGL 4.1 or later driver takes textures of this side.
constexpr uint64_t kMaxSide = 16384;

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
  const uint64_t pixelBytes = width * height * 4;
  return width > 0 && height > 0 && width <= kMaxSide && height <= kMaxSide &&
         (pixelBytes <= kAlwaysAllowedBytes || pixelBytes / kMaxBytesPerFileByte <= fileBytes);
}

// The image converted to 32 bits per pixel (BGRA on little-endian machines), or null when the
// file is missing, not a regular file (a pipe would block), of a format not trusted, or too large.
FIBITMAP* load32Bits(const std::string& path) {
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

// The next mipmap level: each pixel the mean of the 2 x 2 pixels it covers (an odd last row or
// column is repeated).
Image::Level halved(const Image::Level& level) {
  Image::Level next;
  next.width = std::max(level.width / 2, 1u);
  next.height = std::max(level.height / 2, 1u);
  next.pixels.resize(std::size_t{next.width} * next.height * 4);
  auto at = [&level](uint32_t x, uint32_t y) {
    return &level.pixels[(std::size_t{std::min(y, level.height - 1)} * level.width +
                          std::min(x, level.width - 1)) * 4];
  };
  uint8_t* out = next.pixels.data();
  for (uint32_t y = 0; y < next.height; ++y) {
    for (uint32_t x = 0; x < next.width; ++x, out += 4) {
      const uint8_t* a = at(2 * x, 2 * y);
      const uint8_t* b = at(2 * x + 1, 2 * y);
      const uint8_t* c = at(2 * x, 2 * y + 1);
      const uint8_t* d = at(2 * x + 1, 2 * y + 1);
      for (int channel = 0; channel < 4; ++channel)
        out[channel] =
            static_cast<uint8_t>((a[channel] + b[channel] + c[channel] + d[channel] + 2) / 4);
    }
  }
  return next;
}

}  // namespace

Image decodeImage(const std::string& path) {
  Image image;
  FIBITMAP* bitmap = load32Bits(path);
  if (bitmap == nullptr) return image;
  Image::Level base;
  base.width = FreeImage_GetWidth(bitmap);
  base.height = FreeImage_GetHeight(bitmap);
  // 32-bit rows are always 4-byte aligned, so FreeImage's pitch is the tight row length. The
  // pixels are put in the texture storage's own byte order, red first, so that each texture made
  // from the image is a plain copy: in FreeImage's order (blue first on little-endian machines) the
  // driver would reorder every texel of every texture again.
  const uint8_t* bits = FreeImage_GetBits(bitmap);
  base.pixels.resize(std::size_t{base.width} * base.height * 4);
  for (std::size_t i = 0; i < base.pixels.size(); i += 4) {
    base.pixels[i] = bits[i + FI_RGBA_RED];
    base.pixels[i + 1] = bits[i + FI_RGBA_GREEN];
    base.pixels[i + 2] = bits[i + FI_RGBA_BLUE];
    base.pixels[i + 3] = bits[i + FI_RGBA_ALPHA];
  }
  FreeImage_Unload(bitmap);
  image.levels.push_back(std::move(base));
  while (image.levels.back().width > 1 || image.levels.back().height > 1)
    image.levels.push_back(halved(image.levels.back()));
  return image;
}

}  // namespace vorn
