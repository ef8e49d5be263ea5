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

// The image as FreeImage loads it, or null when the file is missing, not a regular file (a pipe
// would block), of a format not trusted, or too large.
FIBITMAP* load(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error)) return nullptr;
  const uintmax_t fileBytes = std::filesystem::file_size(path, error);
  if (error) return nullptr;
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (!trustedFormat(format) || !sizeIsPlausible(format, path, fileBytes)) return nullptr;
  return FreeImage_Load(format, path.c_str(), 0);
}

// The pixels in the texture storage's own byte order, red first, so that each texture made from
// the image is a plain copy: in FreeImage's order (blue first on little-endian machines) the driver
// would reorder every texel of every texture again. Rows stay bottom first. Bitmaps of 24 and 32
// bits, which the models' images are, are read as they are; others through FreeImage's conversion.
Image::Level rgbaPixels(FIBITMAP* bitmap) {
  Image::Level level;
  level.width = FreeImage_GetWidth(bitmap);
  level.height = FreeImage_GetHeight(bitmap);
  const unsigned bpp = FreeImage_GetBPP(bitmap);
  const bool direct = FreeImage_GetImageType(bitmap) == FIT_BITMAP && (bpp == 24 || bpp == 32);
  FIBITMAP* converted = direct ? nullptr : FreeImage_ConvertTo32Bits(bitmap);
  FIBITMAP* source = direct ? bitmap : converted;
  if (source == nullptr) return Image::Level();
  const unsigned step = direct ? bpp / 8 : 4;
  level.pixels.resize(std::size_t{level.width} * level.height * 4);
  uint8_t* out = level.pixels.data();
  for (uint32_t y = 0; y < level.height; ++y) {
    const uint8_t* in = FreeImage_GetScanLine(source, static_cast<int>(y));
    for (uint32_t x = 0; x < level.width; ++x, in += step, out += 4) {
      out[0] = in[FI_RGBA_RED];
      out[1] = in[FI_RGBA_GREEN];
      out[2] = in[FI_RGBA_BLUE];
      out[3] = step == 4 ? in[FI_RGBA_ALPHA] : 255;
    }
  }
  if (converted != nullptr) FreeImage_Unload(converted);
  return level;
}

// The next mipmap level: each pixel the mean of the 2 x 2 pixels it covers (an odd last row or
// column is repeated).
Image::Level halved(const Image::Level& level) {
  Image::Level next;
  next.width = std::max(level.width / 2, 1u);
  next.height = std::max(level.height / 2, 1u);
  next.pixels.resize(std::size_t{next.width} * next.height * 4);
  const std::size_t rowBytes = std::size_t{level.width} * 4;
  uint8_t* out = next.pixels.data();
  for (uint32_t y = 0; y < next.height; ++y) {
    const uint8_t* top = &level.pixels[2 * y * rowBytes];
    const uint8_t* bottom = &level.pixels[std::min(2 * y + 1, level.height - 1) * rowBytes];
    for (uint32_t x = 0; x < next.width; ++x, out += 4) {
      const std::size_t left = std::size_t{2 * x} * 4;
      const std::size_t right = std::size_t{std::min(2 * x + 1, level.width - 1)} * 4;
      for (int c = 0; c < 4; ++c)
        out[c] = static_cast<uint8_t>(
            (top[left + c] + top[right + c] + bottom[left + c] + bottom[right + c] + 2) / 4);
    }
  }
  return next;
}

}  // namespace

Image decodeImage(const std::string& path) {
  Image image;
  FIBITMAP* bitmap = load(path);
  if (bitmap == nullptr) return image;
  Image::Level base = rgbaPixels(bitmap);
  FreeImage_Unload(bitmap);
  if (base.pixels.empty()) return image;
  image.levels.push_back(std::move(base));
  while (image.levels.back().width > 1 || image.levels.back().height > 1)
    image.levels.push_back(halved(image.levels.back()));
  return image;
}

}  // namespace vorn
