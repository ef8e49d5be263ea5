// Images and textures: image files of the trusted formats become RGBA8 textures with their mip
// chain, bottom row first; missing, damaged, untrusted or implausibly large files and files that
// are no regular files give empty textures, silently; the sampling toggles pick the filters.
#include <malloc.h>
#include <sys/stat.h>

#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "assets/Image.h"
#include "assets/Texture.h"
#include "support/ModelTest.h"

namespace vorn {
namespace {

class AssetsTexture : public test::ModelTest {
 protected:
  AssetsTexture() : ModelTest("texture") {}
};

// A BMP file of a few bytes whose header claims the given size.
std::string bmpHeader(int32_t width, int32_t height) {
  std::string h = "BM";
  auto put = [&h](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  put(154, 4), put(0, 4), put(54, 4);                                // file header
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);  // info header
  put(0, 4), put(0, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  return h + std::string(100, '\x10');
}

TEST_F(AssetsTexture, ImageArrivesAsRgba8BottomRowFirstWithItsMipChain) {
  // 4 x 2: the bottom row (FreeImage's scan line 0) red, the top row blue.
  FIBITMAP* rows = FreeImage_Allocate(4, 2, 24);
  RGBQUAD red{0, 0, 255, 0}, blue{255, 0, 0, 0};
  for (unsigned x = 0; x < 4; ++x) {
    FreeImage_SetPixelColor(rows, x, 0, &red);
    FreeImage_SetPixelColor(rows, x, 1, &blue);
  }
  const std::string path = scratch.file("rows.png");
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, rows, path.c_str(), 0));
  FreeImage_Unload(rows);

  // The first texel of each row of level 0, then level 2 (1 x 1): half red, half blue.
  const Texture texture(decodeImage(path));
  std::vector<unsigned char> texels(36);
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, texels.data() + 32);
  texels.erase(texels.begin() + 20, texels.begin() + 32);
  texels.erase(texels.begin() + 4, texels.begin() + 16);
  EXPECT_EQ(std::vector<int>(texels.begin(), texels.end()),
            (std::vector<int>{255, 0, 0, 255, 0, 0, 255, 255, 128, 0, 128, 255}));
}

TEST_F(AssetsTexture, BindPicksFiltersFromTheTwoToggles) {
  const Texture texture(decodeImage(writeImage("filters.png", 4, 4)));
  const GLint linear[] = {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_LINEAR};
  const GLint nearest[] = {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR};
  for (int mipmapMode : {-1, 0, 1})
    for (bool bilinear : {true, false}) {
      texture.bind(GL_TEXTURE3, bilinear, mipmapMode);
      GLint filters[2] = {};
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
      EXPECT_EQ(filters[0], (bilinear ? linear : nearest)[mipmapMode + 1]) << mipmapMode;
      EXPECT_EQ(filters[1], bilinear ? GL_LINEAR : GL_NEAREST);
    }
}

TEST_F(AssetsTexture, OnlyWholeTrustedImagesOfPlausibleSizeAreDecoded) {
  const std::string png = writeImage("ok.png", 37, 29);
  std::ifstream pngFile(png, std::ios::binary);
  const std::string pngBytes{std::istreambuf_iterator<char>(pngFile), {}};
  const std::string pipe = scratch.file("pipe.png");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::pair<std::string, uint32_t> cases[] = {
      {png, 37},
      {writeImage("ok.jpg", 37, 29, {}, FIF_JPEG), 37},
      {writeImage("ok.bmp", 37, 29, {}, FIF_BMP), 37},
      {writeImage("ok.tga", 37, 29, {}, FIF_TARGA), 37},
      {writeImage("widest.png", 16384, 1), 16384},
      {writeImage("too_wide.png", 16385, 1), 0},
      {writeImage("ok.psd", 37, 29, {}, FIF_PSD), 0},  // its decoder crashes on damaged files
      {scratch.write("truncated.png", pngBytes.substr(0, 100)), 0},
      {scratch.write("garbage.png", "this is not an image"), 0},
      {scratch.file("missing.png"), 0},
      {scratch.path.string(), 0},
      {pipe, 0},  // opening it would block for ever
      {"/dev/zero", 0},
      // a gigabyte of pixels from 154 bytes
      {scratch.write("large.bmp", bmpHeader(16000, 16000)), 0},
      {scratch.write("negative.bmp", bmpHeader(-5, -5)), 0},
  };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (const auto& [path, width] : cases) {
    const Image image = decodeImage(path);
    EXPECT_EQ(image.empty() ? 0 : image.levels[0].width, width) << path;
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");

  // An empty image gives an empty texture that binds like any other.
  const Texture empty(decodeImage(scratch.file("missing.png")));
  EXPECT_NE(empty.name, 0u);
  EXPECT_EQ(textureWidth(&empty), 0);
  empty.bind(GL_TEXTURE0, true, 1);
}

// A decode gives back all FreeImage allocated for it: the header it reads the size from, the
// image as loaded and as converted. Memory in use after a hundred decodes is what it was after one
// (a header left behind is some 500 bytes; the allocator's own bookkeeping stays far below).
TEST_F(AssetsTexture, DecodingGivesBackAllItAllocated) {
  const std::string path = writeImage("leak.png", 37, 29);
  decodeImage(path);  // FreeImage's plug-ins are set up on its first use
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 100; ++i) decodeImage(path);
  EXPECT_LT(static_cast<long>(mallinfo2().uordblks) - static_cast<long>(before), 100 * 100);
}

}  // namespace
}  // namespace vorn
