#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "assets/FileCache.h"

namespace vorn {

// An image decoded to 32 bits per pixel, RGBA, rows bottom first (OpenGL's texture origin), with
// its mipmap chain.
struct Image {
  struct Level {
    uint32_t width = 0;
    uint32_t height = 0;
    std::vector<uint8_t> pixels;
  };
  // The image itself, then each level half the size of the one before (rounded down), down to
  // 1 x 1. None when the file could not be read.
  std::vector<Level> levels;

  bool empty() const { return levels.empty(); }
};

// Reads the image file with FreeImage and builds its mipmap chain; unreadable, untrusted or
// implausibly large files give an empty image, without a message.
Image decodeImage(const std::string& path);

// Each image file decoded once.
using ImageCache = FileCache<Image, decodeImage>;

}  // namespace vorn
