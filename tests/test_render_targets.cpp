// Off-screen targets (shadow maps, bloom and blur targets) and the post-processing passes.
#include <gtest/gtest.h>

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
  glGetError();
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

TEST_F(RenderPostProcessTest, CompositeAddsTheBlurredGlowToTheScene) {
  run();
  EXPECT_EQ(boundFramebuffer(), 0);

  // The full-screen cube covers every pixel: the corners show the scene, not the clear colour.
  for (const auto& [x, y] :
       {std::pair{0, 0}, {kSize - 1, 0}, {0, kSize - 1}, {kSize - 1, kSize - 1}})
    EXPECT_NEAR(test::readPixel(x, y).r, 77, 3) << x << "," << y;
  const int centre = test::readPixel(64, 64).r;
  const int beside = test::readPixel(84, 64).r;  // twelve pixels outside the glowing square
  EXPECT_GT(centre, 120);
  EXPECT_GT(beside, 85);  // the glow spreads beyond its source
  EXPECT_LT(beside, centre);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderPostProcessTest, BlurFillsTheWholeQuarterSizeTarget) {
  run();
  glBindFramebuffer(GL_READ_FRAMEBUFFER, blurB.framebuffer);
  // Far from the glow the blur writes black over its grey clear colour, up to the last pixel.
  EXPECT_LT(test::readPixel(0, 0).r, 3);
  EXPECT_LT(test::readPixel(kSize / 4 - 1, kSize / 4 - 1).r, 3);
  EXPECT_GT(test::readPixel(kSize / 8, kSize / 8).r, 40);
  // Both directions blurred: the spread along a diagonal matches the spread along an axis.
  const int alongX = test::readPixel(kSize / 8 + 4, kSize / 8).r;
  const int alongY = test::readPixel(kSize / 8, kSize / 8 + 4).r;
  EXPECT_GT(alongX, 5);
  EXPECT_NEAR(alongX, alongY, 6);
  glBindFramebuffer(GL_READ_FRAMEBUFFER, 0);
}

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

}  // namespace
}  // namespace vorn
