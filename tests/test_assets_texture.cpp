// Textures: image files of several pixel formats become mip-mapped RGBA8 textures, the two
// sampling toggles pick the filters at bind time, and unreadable files give empty textures.
#include <cstdio>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "assets/Image.h"
#include "assets/Texture.h"
#include "support/GlContext.h"
#include "support/ScratchDirectory.h"

namespace vorn {
namespace {

class AssetsTexture : public test::GlTest {
 protected:
  // A 4x2 image whose bottom row (FreeImage's scan line 0) is red and top row blue, in the given
  // pixel layout: 24-bit true colour or 8-bit with a palette.
  std::string writeTwoRowImage(const std::string& name, int bpp) const {
    FIBITMAP* image = FreeImage_Allocate(4, 2, bpp);
    if (bpp == 8) {
      RGBQUAD* palette = FreeImage_GetPalette(image);
      palette[1] = RGBQUAD{0, 0, 255, 0};  // red (BGR order)
      palette[2] = RGBQUAD{255, 0, 0, 0};  // blue
      for (unsigned x = 0; x < 4; ++x) {
        BYTE red = 1, blue = 2;
        FreeImage_SetPixelIndex(image, x, 0, &red);
        FreeImage_SetPixelIndex(image, x, 1, &blue);
      }
    } else {
      RGBQUAD red{0, 0, 255, 0}, blue{255, 0, 0, 0};
      for (unsigned x = 0; x < 4; ++x) {
        FreeImage_SetPixelColor(image, x, 0, &red);
        FreeImage_SetPixelColor(image, x, 1, &blue);
      }
    }
    const std::string path = scratch.file(name);
    EXPECT_TRUE(FreeImage_Save(FIF_PNG, image, path.c_str(), 0));
    FreeImage_Unload(image);
    return path;
  }

  static GLint level0(GLenum what) {
    GLint value = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &value);
    return value;
  }

  static GLint parameter(GLenum what) {
    GLint value = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, what, &value);
    return value;
  }

  test::ScratchDirectory scratch{"texture"};
};

TEST_F(AssetsTexture, TrueColourAndPaletteImagesArriveAsRgba8BottomRowFirst) {
  for (int bpp : {24, 8}) {
    SCOPED_TRACE(bpp);
    Texture texture(decodeImage(writeTwoRowImage("rows" + std::to_string(bpp) + ".png", bpp)));
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.name) << "the constructor leaves it bound";
    EXPECT_EQ(level0(GL_TEXTURE_WIDTH), 4);
    EXPECT_EQ(level0(GL_TEXTURE_HEIGHT), 2);
    for (GLenum size : {GL_TEXTURE_RED_SIZE, GL_TEXTURE_GREEN_SIZE, GL_TEXTURE_BLUE_SIZE,
                        GL_TEXTURE_ALPHA_SIZE})
      EXPECT_EQ(level0(size), 8);

    std::vector<unsigned char> texels(4 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
    const unsigned char* bottom = &texels[0];
    const unsigned char* top = &texels[4 * 4];
    EXPECT_EQ(std::vector<int>(bottom, bottom + 4), (std::vector<int>{255, 0, 0, 255}));
    EXPECT_EQ(std::vector<int>(top, top + 4), (std::vector<int>{0, 0, 255, 255}));
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(AssetsTexture, LoadBuildsTheMipChainAndStartsTrilinearRepeating) {
  Texture texture(decodeImage(writeTwoRowImage("mips.png", 24)));
  GLint width = -1;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 2, GL_TEXTURE_WIDTH, &width);
  EXPECT_EQ(width, 1) << "level 2 of a 4x2 image";
  // Each texel of a level is the mean of the four it covers: here half red, half blue.
  for (GLint level : {1, 2}) {
    std::vector<unsigned char> texel(4 * 2 * 4);
    glGetTexImage(GL_TEXTURE_2D, level, GL_RGBA, GL_UNSIGNED_BYTE, texel.data());
    EXPECT_EQ(std::vector<int>(texel.begin(), texel.begin() + 4),
              (std::vector<int>{128, 0, 128, 255}))
        << "level " << level;
  }
  EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
  EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), GL_LINEAR);
  EXPECT_EQ(parameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
  EXPECT_EQ(parameter(GL_TEXTURE_WRAP_T), GL_REPEAT);
}

TEST_F(AssetsTexture, BindPicksFiltersFromTheTwoToggles) {
  Texture texture(decodeImage(writeTwoRowImage("filters.png", 24)));
  struct Case {
    int mipmapMode;
    bool bilinear;
    GLint minFilter;
  };
  const Case cases[] = {
      {-1, true, GL_LINEAR},
      {-1, false, GL_NEAREST},
      {-7, true, GL_LINEAR},
      {0, true, GL_LINEAR_MIPMAP_NEAREST},
      {0, false, GL_NEAREST_MIPMAP_NEAREST},
      {1, true, GL_LINEAR_MIPMAP_LINEAR},
      {1, false, GL_NEAREST_MIPMAP_LINEAR},
      {5, true, GL_LINEAR_MIPMAP_LINEAR},
      {5, false, GL_NEAREST_MIPMAP_LINEAR},
  };
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, 0);
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "mode " << c.mipmapMode << " bilinear " << c.bilinear);
    texture.bind(GL_TEXTURE3, c.bilinear, c.mipmapMode);
    GLint active = 0, bound = 0;
    glGetIntegerv(GL_ACTIVE_TEXTURE, &active);
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(active, GL_TEXTURE3);
    EXPECT_EQ(static_cast<GLuint>(bound), texture.name);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), c.minFilter);
    EXPECT_EQ(parameter(GL_TEXTURE_MAG_FILTER), c.bilinear ? GL_LINEAR : GL_NEAREST);
  }
}

TEST_F(AssetsTexture, UnreadableImagesGiveEmptyTexturesSilently) {
  scratch.write("garbage.png", "this is not an image");
  for (const std::string& path :
       {scratch.file("missing.png"), scratch.file("garbage.png"), scratch.path.string()}) {
    SCOPED_TRACE(path);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    Texture texture(decodeImage(path));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");
    EXPECT_NE(texture.name, 0u);
    EXPECT_EQ(level0(GL_TEXTURE_WIDTH), 0);
    EXPECT_EQ(level0(GL_TEXTURE_HEIGHT), 0);
    texture.bind(GL_TEXTURE0, false, 0);
    EXPECT_EQ(parameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST_MIPMAP_NEAREST);
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace vorn
