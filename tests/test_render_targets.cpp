// Off-screen targets (shadow maps, bloom and blur targets) and the post-processing passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <regex>
#include <string>
#include <vector>

#include "render/Bloom.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "support/GlContext.h"
#include "test_render_helpers.h"

namespace vorn {
namespace {

GLint boundFramebuffer() {
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  return bound;
}

using RenderTargetTest = test::GlTest;

TEST_F(RenderTargetTest, ReinitialisingReleasesTheEarlierObjects) {
  ShadowMapFBO map;
  ASSERT_TRUE(map.initPoint());
  const GLuint oldFramebuffer = map.framebuffer, oldTexture = map.depthTexture;
  ASSERT_TRUE(map.initPoint());
  EXPECT_FALSE(glIsFramebuffer(oldFramebuffer) && oldFramebuffer != map.framebuffer);
  EXPECT_FALSE(glIsTexture(oldTexture) && oldTexture != map.depthTexture);

  BloomFBO bloom;
  ASSERT_TRUE(bloom.init(64, 48));
  const GLuint oldDepth = bloom.depthRenderbuffer, oldGlow = bloom.glowTexture;
  ASSERT_TRUE(bloom.init(64, 48));
  EXPECT_FALSE(glIsRenderbuffer(oldDepth) && oldDepth != bloom.depthRenderbuffer);
  EXPECT_FALSE(glIsTexture(oldGlow) && oldGlow != bloom.glowTexture &&
               oldGlow != bloom.sceneTexture);
}

TEST_F(RenderTargetTest, DestructionReleasesEveryObject) {
  GLuint framebuffer, depth, scene, glow, sampler;
  {
    BloomFBO bloom;
    ASSERT_TRUE(bloom.init(64, 48));
    framebuffer = bloom.framebuffer;
    depth = bloom.depthRenderbuffer;
    scene = bloom.sceneTexture;
    glow = bloom.glowTexture;
    sampler = bloom.glowSampler;
  }
  EXPECT_FALSE(glIsFramebuffer(framebuffer));
  EXPECT_FALSE(glIsRenderbuffer(depth));
  EXPECT_FALSE(glIsTexture(scene));
  EXPECT_FALSE(glIsTexture(glow));
  EXPECT_FALSE(glIsSampler(sampler));
}

TEST_F(RenderTargetTest, IncompleteTargetIsReportedWithItsStatus) {
  BlurFBO empty;
  ::testing::internal::CaptureStderr();
  EXPECT_FALSE(empty.init(0, 0));
  const std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_TRUE(std::regex_match(message, std::regex("ERROR: BloomFBO status not complete[0-9]+\n")))
      << message;
}

// Post-processing into a 128 x 128 window: a grey scene with one white square of glow.
class RenderPostProcessTest : public ::testing::Test {
 protected:
  static constexpr int kSize = 128;

  RenderPostProcessTest() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    bloom.init(kSize, kSize);
    blurA.init(kSize / 4, kSize / 4);
    blurB.init(kSize / 4, kSize / 4);

    glBindFramebuffer(GL_FRAMEBUFFER, bloom.framebuffer);
    const float grey[4] = {0.3f, 0.3f, 0.3f, 1.0f}, black[4] = {0, 0, 0, 1},
                white[4] = {1, 1, 1, 1};
    glClearBufferfv(GL_COLOR, 0, grey);
    glClearBufferfv(GL_COLOR, 1, black);
    glEnable(GL_SCISSOR_TEST);
    glScissor(56, 56, 16, 16);
    glClearBufferfv(GL_COLOR, 1, white);
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
  }

  void run() {
    postProcess(bloom, blurA, blurB, blur, composite, fullScreen, kSize, kSize, {});
    glFinish();
  }

  test::GlContext context{kSize, kSize};
  BloomFBO bloom;
  BlurFBO blurA;
  BlurFBO blurB;
  PostShader blur{"./Shader/texture.vert", "./Shader/gauss.frag"};
  PostShader composite{"./Shader/texture.vert", "./Shader/texture.frag"};
  // The cube [-1, 1]^3: the shape the full-screen vertex stage is written for.
  test::TestObject fullScreen{"textureObject", 1.0f, nullptr,
                              test::outwardBox(glm::vec3(-1), glm::vec3(1))};
};

TEST_F(RenderPostProcessTest, FirstBlurPassAveragesEveryTexelItStandsFor) {
  // Glow in every fourth column only: a quarter-size pixel stands for four columns, one of them
  // lit, whichever texels a cheaper reduction would pick.
  std::vector<unsigned char> columns(kSize * kSize * 4, 0);
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; x += 4)
      for (int c = 0; c < 4; ++c) columns[(y * kSize + x) * 4 + c] = 255;
  glBindTexture(GL_TEXTURE_2D, bloom.glowTexture);
  glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, columns.data());
  run();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, blurB.framebuffer);
  EXPECT_NEAR(test::readPixel(kSize / 8, kSize / 8).r, 64, 4);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

// The blurred glow the bloom is meant to give, worked out texel by texel: the glow's 4 x 4 means,
// then a Gaussian of sigma 3 over thirteen quarter-size pixels along x, then along y, each pass
// stored in eight bits.
std::vector<int> expectedBlur(int size, int glowLo, int glowHi) {
  const int quarter = size / 4;
  std::vector<float> reduced(quarter * quarter, 0.0f), across(reduced.size()), down(reduced.size());
  for (int y = glowLo; y < glowHi; ++y)
    for (int x = glowLo; x < glowHi; ++x) reduced[(y / 4) * quarter + x / 4] += 1.0f / 16;
  const auto blur = [&](const std::vector<float>& from, std::vector<float>& to, int dx, int dy) {
    for (int y = 0; y < quarter; ++y)
      for (int x = 0; x < quarter; ++x) {
        float sum = 0, total = 0;
        for (int i = -6; i <= 6; ++i) {
          const float w = std::exp(-static_cast<float>(i * i) / 18.0f);
          sum += w * from[std::clamp(y + i * dy, 0, quarter - 1) * quarter +
                          std::clamp(x + i * dx, 0, quarter - 1)];
          total += w;
        }
        to[y * quarter + x] = std::round(sum / total * 255) / 255;
      }
  };
  blur(reduced, across, 1, 0);
  blur(across, down, 0, 1);
  std::vector<int> levels;
  for (float v : down) levels.push_back(static_cast<int>(std::round(v * 255)));
  return levels;
}

// The blurred glow read back at full size with the filter between texels, as the composite reads it.
float upsampled(const std::vector<int>& blurred, int quarter, int x, int y) {
  const auto texel = [&](int tx, int ty) {
    return blurred[std::clamp(ty, 0, quarter - 1) * quarter + std::clamp(tx, 0, quarter - 1)] /
           255.0f;
  };
  const float u = (x + 0.5f) / 4 - 0.5f, v = (y + 0.5f) / 4 - 0.5f;
  const int x0 = static_cast<int>(std::floor(u)), y0 = static_cast<int>(std::floor(v));
  const float fx = u - x0, fy = v - y0;
  return (1 - fy) * ((1 - fx) * texel(x0, y0) + fx * texel(x0 + 1, y0)) +
         fy * ((1 - fx) * texel(x0, y0 + 1) + fx * texel(x0 + 1, y0 + 1));
}

// The glow a composited pixel shows over a scene of one grey level, undoing the screen blend of the
// square root of 1.2 times the glow (the root's steep start would magnify an eight-bit step).
float glowShown(int pixel, float scene) {
  const float shown = 1 - (1 - pixel / 255.0f) / (1 - scene);
  return shown * shown / 1.2f;
}

// Every texel of the blur and every pixel of the composite, corners included: the full-screen
// cube covers the window, the blur fills its target and spreads alike along both axes.
TEST_F(RenderPostProcessTest, GlowLooksAsTheKernelSays) {
  run();
  EXPECT_EQ(boundFramebuffer(), 0);
  constexpr int kQuarter = kSize / 4;
  const auto redOf = [](int width, int height) {
    std::vector<unsigned char> pixels(width * height * 4);
    glReadPixels(0, 0, width, height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    std::vector<int> red;
    for (std::size_t i = 0; i < pixels.size(); i += 4) red.push_back(pixels[i]);
    return red;
  };
  const std::vector<int> picture = redOf(kSize, kSize);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, blurB.framebuffer);
  const std::vector<int> blurred = redOf(kQuarter, kQuarter);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);

  const std::vector<int> expected = expectedBlur(kSize, 56, 72);
  int worstBlur = 0;
  for (std::size_t i = 0; i < blurred.size(); ++i)
    worstBlur = std::max(worstBlur, std::abs(blurred[i] - expected[i]));
  EXPECT_LE(worstBlur, 2);
  EXPECT_GT(*std::max_element(blurred.begin(), blurred.end()), 50);
  float worstGlow = 0;
  for (int y = 0; y < kSize; ++y)
    for (int x = 0; x < kSize; ++x)
      worstGlow = std::max(worstGlow, std::abs(glowShown(picture[y * kSize + x], 77.0f / 255) -
                                               upsampled(blurred, kQuarter, x, y)));
  EXPECT_LT(worstGlow, 3.0f / 255);
}

}  // namespace
}  // namespace vorn
