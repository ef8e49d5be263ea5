// Images and textures: image files of the trusted formats become RGBA8 textures with their mip
// chain, bottom row first; missing, damaged, untrusted or implausibly large files and files that
// are no regular files give empty textures, silently; the sampling toggles pick the filters.
#include <malloc.h>
#include <sys/stat.h>

#include <fstream>
#include <sstream>
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

  std::string readBytes(const std::string& path) const {
    std::ostringstream bytes;
    bytes << std::ifstream(path, std::ios::binary).rdbuf();
    return bytes.str();
  }

  // The width of the decoded image, 0 for none.
  static uint32_t decodedWidth(const std::string& path) {
    const Image image = decodeImage(path);
    return image.empty() ? 0 : image.levels[0].width;
  }
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
  const std::string path = file("rows.png");
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, rows, path.c_str(), 0));
  FreeImage_Unload(rows);

  const Texture texture(decodeImage(path));
  glBindTexture(GL_TEXTURE_2D, texture.name);
  GLint alphaBits = 0, smallest = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_ALPHA_SIZE, &alphaBits);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &smallest);
  EXPECT_EQ(alphaBits, 8);
  EXPECT_EQ(smallest, 1) << "level 2 of a 4x2 image";
  // Level 0 bottom row red, top row blue; each texel of a level above is the mean of the four it
  // covers: half red, half blue.
  const std::vector<std::vector<int>> expected = {{255, 0, 0, 255, 0, 0, 255, 255},
                                                  {128, 0, 128, 255},
                                                  {128, 0, 128, 255}};
  for (GLint level = 0; level < 3; ++level) {
    std::vector<unsigned char> texels(4 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    if (level == 0) texels.erase(texels.begin() + 4, texels.begin() + 16);  // the 1st of each row
    texels.resize(expected[level].size());
    EXPECT_EQ(std::vector<int>(texels.begin(), texels.end()), expected[level]) << level;
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(AssetsTexture, BindPicksFiltersFromTheTwoToggles) {
  const Texture texture(decodeImage(writeImage("filters.png", 4, 4)));
  struct Case {
    int mipmapMode;
    bool bilinear;
    GLint minFilter;
  };
  for (const Case& c : {Case{-1, true, GL_LINEAR}, Case{-1, false, GL_NEAREST},
                        Case{0, true, GL_LINEAR_MIPMAP_NEAREST},
                        Case{0, false, GL_NEAREST_MIPMAP_NEAREST},
                        Case{1, true, GL_LINEAR_MIPMAP_LINEAR},
                        Case{1, false, GL_NEAREST_MIPMAP_LINEAR}}) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mipmapMode << " bilinear " << c.bilinear);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, 0);
    texture.bind(GL_TEXTURE3, c.bilinear, c.mipmapMode);
    GLint active = 0, bound = 0, minFilter = 0, magFilter = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &minFilter);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &magFilter);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.name);
    EXPECT_EQ(minFilter, c.minFilter);
    EXPECT_EQ(magFilter, c.bilinear ? GL_LINEAR : GL_NEAREST);
  }
}

TEST_F(AssetsTexture, OnlyWholeTrustedImagesOfPlausibleSizeAreDecoded) {
  const std::string png = writeImage("ok.png", 37, 29);
  const std::string pipe = file("pipe.png");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, '\xff', '\xff', '\xff', '\xff', 32, 8};
  tga += std::string(100, ' ');  // 65535 by 65535, 32 bits
  const std::pair<std::string, uint32_t> cases[] = {
      {png, 37},
      {writeImage("ok.jpg", 37, 29, {}, FIF_JPEG), 37},
      {writeImage("ok.bmp", 37, 29, {}, FIF_BMP), 37},
      {writeImage("ok.tga", 37, 29, {}, FIF_TARGA), 37},
      {writeImage("widest.png", 16384, 1), 16384},
      {writeImage("too_wide.png", 16385, 1), 0},
      {writeImage("ok.psd", 37, 29, {}, FIF_PSD), 0},  // its decoder crashes on damaged files
      {write("truncated.png", readBytes(png).substr(0, 100)), 0},
      {write("garbage.png", "this is not an image"), 0},
      {file("missing.png"), 0},
      {scratch.path.string(), 0},
      {pipe, 0},  // opening it would block for ever
      {"/dev/zero", 0},
      {write("huge.bmp", bmpHeader(60000, 60000)), 0},
      {write("large.bmp", bmpHeader(16000, 16000)), 0},  // a gigabyte of pixels from 154 bytes
      {write("negative.bmp", bmpHeader(-5, -5)), 0},
      {write("huge.tga", tga), 0},
  };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (const auto& [path, width] : cases) EXPECT_EQ(decodedWidth(path), width) << path;
  EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");

  // An empty image gives an empty texture that binds like any other.
  const Texture empty(decodeImage(file("missing.png")));
  EXPECT_NE(empty.name, 0u);
  EXPECT_EQ(textureWidth(&empty), 0);
  empty.bind(GL_TEXTURE0, true, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
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
