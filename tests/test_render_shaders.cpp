// Shader programs build, find every uniform the game sets, give back their stages and stop the
// program on a compile or link error (missing shader files: test_robust_datadirs); both light
// layouts and single updates reach the lighting program's uniforms, bad indices are refused; the
// off-screen targets and the post-processing passes.
#include <algorithm>
#include <cmath>
#include <limits>
#include <regex>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/Bloom.h"
#include "render/LightSetup.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"
#include "support/ScratchDirectory.h"
#include "test_render_helpers.h"

namespace vorn {
namespace {

const char* kVertex =
    "#version 430 core\nlayout(location = 0) in vec3 p;\n"
    "void main() { gl_Position = vec4(p, 1); }\n";
const char* kGeometry =
    "#version 430 core\nlayout(triangles) in;\nlayout(triangle_strip, max_vertices = 3) out;\n"
    "void main() { for (int i = 0; i < 3; ++i) {\n"
    "  gl_Position = gl_in[i].gl_Position; EmitVertex(); } }\n";
const char* kFragment = "#version 430 core\nout vec4 c;\nvoid main() { c = vec4(1); }\n";

using RenderShaderTest = test::GlTest;

// A name changed on one side only would leave the game's uploads silently ignored. (The light
// arrays' uniforms the light tests below read back by location, the cube faces' the shadow pass
// tests.)
TEST_F(RenderShaderTest, GameProgramsBuildAndFindEveryUniformTheGameSets) {
  const LightingShader l("./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag");
  std::vector<GLint> found = {l.viewProjection, l.model,         l.cameraPos,         l.nearFar,
                              l.textureUnit,    l.normalUnit,    l.shadowMapCubeUnit, l.matAmbient,
                              l.matDiffuse,     l.matSpecular,   l.matShininess,      l.alpha,
                              l.numPointLights, l.numSpotLights, l.ambientColor};
  const ShadowShader point("./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag");
  const ShadowShader spot("./Shader/spotShadowMap.vert", "./Shader/spotShadowMap.frag");
  const PostShader blur("./Shader/texture.vert", "./Shader/gauss.frag");
  const PostShader composite("./Shader/texture.vert", "./Shader/texture.frag");
  const PostShader reduce("./Shader/texture.vert", "./Shader/reduce.frag");
  found.insert(found.end(), {point.model, point.lightPos, point.nearFar, spot.model,
                             blur.textureUnit1, blur.horizontal, composite.textureUnit1,
                             composite.textureUnit2, reduce.textureUnit1});
  for (std::size_t i = 0; i < found.size(); ++i) EXPECT_GE(found[i], 0) << "location " << i;
}

TEST_F(RenderShaderTest, DestructionReleasesProgramAndStages) {
  test::ScratchDirectory files("shaders");
  GLuint names[4];
  {
    const ShaderProgram shader(files.write("a.vert", kVertex), files.write("a.geom", kGeometry),
                               files.write("a.frag", kFragment));
    names[0] = shader.program, names[1] = shader.vertexShader;
    names[2] = shader.geometryShader, names[3] = shader.fragmentShader;
    ASSERT_TRUE(glIsProgram(names[0]) && glIsShader(names[2]));
  }
  EXPECT_FALSE(glIsProgram(names[0]));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(glIsShader(names[i])) << i;
}

// The fatal stops run in a child process that builds its own context; no geometry stage for "".
void build(const std::string& vertex, const std::string& geometry, const std::string& fragment) {
  test::GlContext context;
  if (geometry.empty()) ShaderProgram{vertex, fragment};
  else ShaderProgram{vertex, geometry, fragment};
}

TEST(RenderShaderDeathTest, CompileErrorNamesTheStageAndLinkErrorStops) {
  test::ScratchDirectory files("shaders");
  const std::string vertex = files.write("a.vert", kVertex);
  const std::string fragment = files.write("a.frag", kFragment);
  const std::string broken =
      files.write("broken.glsl", "#version 430 core\nvoid main() { this is not glsl }\n");
  // Reads a value that no earlier stage writes: each stage compiles, the program cannot link.
  const std::string unlinked = files.write(
      "unlinked.frag",
      "#version 430 core\nin vec3 never;\nout vec4 c;\nvoid main() { c = vec4(never, 1); }\n");
  const std::tuple<std::string, std::string, std::string, const char*> cases[] = {
      {broken, "", fragment, "Compile Shader: vertexShader"},
      {vertex, broken, fragment, "Compile Shader: geometryShader"},
      {vertex, "", broken, "Compile Shader: fragmentShader"},
      {vertex, "", unlinked, "Link Program"},
  };
  for (const auto& [v, g, f, error] : cases)
    EXPECT_EXIT(build(v, g, f), ::testing::ExitedWithCode(1),
                std::string("ERROR: Failed To ") + error + "\n.+");
}

const char* const kPoints[kPointLightCount] = {"point1", "point2", "point3"};
const char* const kSpots[kSpotLightCount] = {"spot1", "spot2", "spot3", "spot4"};

class RenderLightsTest : public test::GlTest {
 protected:
  template <typename T>
  T uniform(GLint location) const {
    T value(-999.0f);
    glGetUniformfv(shader.program, location, reinterpret_cast<float*>(&value));
    return value;
  }

  // Every uniform holds the value of the registry record named for its element.
  void expectUniformsMatchRegistry() const {
    const auto expectShared = [this](const auto& at, const auto& light) {
      EXPECT_EQ(uniform<glm::vec3>(at.color), light.color);
      EXPECT_EQ(uniform<glm::vec3>(at.position), light.position);
      EXPECT_EQ(uniform<glm::vec3>(at.attenuation), light.attenuation);
      EXPECT_EQ(uniform<float>(at.reachInverseSquared), derivedValues(light).reachInverseSquared);
    };
    for (int i = 0; i < kPointLightCount; ++i) {
      SCOPED_TRACE(kPoints[i]);
      const auto light = registry.getPointLight(kPoints[i]);
      ASSERT_TRUE(light);
      expectShared(shader.pointLights[i], *light);
    }
    for (int i = 0; i < kSpotLightCount; ++i) {
      SCOPED_TRACE(kSpots[i]);
      const auto light = registry.getSpotLight(kSpots[i]);
      ASSERT_TRUE(light);
      expectShared(shader.spotLights[i], *light);
      EXPECT_EQ(uniform<glm::vec3>(shader.spotLights[i].direction), light->direction);
      EXPECT_EQ(uniform<float>(shader.spotLights[i].cutoff), light->cutoff);
      const DerivedLightValues derived = derivedValues(*light);
      EXPECT_EQ(uniform<float>(shader.spotLights[i].axisInverseLength), derived.axisInverseLength);
      EXPECT_EQ(uniform<float>(shader.spotLights[i].coneSharpness), derived.coneSharpness);
    }
  }

  LightingShader shader{"./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag"};
  SceneRegistry registry;
};

TEST_F(RenderLightsTest, BothLayoutsReachRegistryAndUniforms) {
  glUseProgram(0);  // whatever program the frame left current
  setupLights(shader, registry, false);
  expectUniformsMatchRegistry();
  const auto before = registry.getPointLight("point1");
  const glm::vec3 spot4 = registry.getSpotLight("spot4")->position;

  glUseProgram(0);
  setupLights(shader, registry, true);
  expectUniformsMatchRegistry();
  EXPECT_NE(registry.getPointLight("point1")->position, before->position);
  EXPECT_EQ(registry.getSpotLight("spot4")->position, spot4) << "spot4 is in both layouts";
}

// As the flicker and the win do: a record changes in place and is uploaded again; the values the
// program derives from it follow, and no other element changes.
TEST_F(RenderLightsTest, SingleUpdatesTouchOnlyTheirElement) {
  setupLights(shader, registry, false);
  const auto spot2 = registry.getSpotLight("spot2");
  spot2->color = {0.1f, 0.6f, 0.3f};
  spot2->direction = {0.2f, -0.6f, 0.4f};
  spot2->cutoff = 0.9f;
  updateSpotLight(shader, 1, *spot2);
  const auto point3 = registry.getPointLight("point3");
  point3->color = {0.05f, 0.1f, 0.1f};
  updatePointLight(shader, 2, *point3);
  expectUniformsMatchRegistry();
}

TEST_F(RenderLightsTest, IndexOutsideTheArraysIsReportedAndIgnored) {
  setupLights(shader, registry, false);
  const scene::PointLight point("x", {0, 1, 0}, {0, 0, 0}, {1, 0, 0});
  const scene::SpotLight spot("y", {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0.1f);
  ::testing::internal::CaptureStderr();
  updatePointLight(shader, kPointLightCount, point);
  updatePointLight(shader, -1, point);
  updateSpotLight(shader, kSpotLightCount, spot);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 3);
  EXPECT_EQ(errors.rfind("ERROR: ", 0), 0u);
  expectUniformsMatchRegistry();
}

// A white lamp with attenuation 1 + q d^2 falls to 0.2 at d = 2 / sqrt(q): one whose reach is a
// fraction of a unit still lights what stands that close, and a lamp too faint to reach 0.2
// anywhere lights nothing.
TEST(RenderLightReach, ShortReachIsKeptAndNoReachIsTheLargestFloat) {
  const struct {
    glm::vec3 color;
    float quadratic;
    float inverseSquared;
  } cases[] = {
      {{1, 1, 1}, 16.0f, 4.0f},     // reach 0.5
      {{1, 0.5f, 0}, 1.0f, 0.25f},  // reach 2, by the brightest channel
      {{0.1f, 0.1f, 0.1f}, 1.0f, std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    const scene::PointLight light("x", c.color, {0, 0, 0}, {1, 0, c.quadratic});
    EXPECT_FLOAT_EQ(derivedValues(light).reachInverseSquared, c.inverseSquared) << c.quadratic;
  }
}

GLint boundFramebuffer() {
  GLint bound = -1;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  return bound;
}

using RenderTargetTest = test::GlTest;

// Initialised again, a target releases its earlier objects; destroyed, its last ones.
TEST_F(RenderTargetTest, ReinitialisingAndDestructionReleaseTheirObjects) {
  ShadowMapFBO map;
  ASSERT_TRUE(map.initPoint());
  const GLuint oldFramebuffer = map.framebuffer, oldTexture = map.depthTexture;
  ASSERT_TRUE(map.initPoint());
  EXPECT_FALSE(glIsFramebuffer(oldFramebuffer) && oldFramebuffer != map.framebuffer);
  EXPECT_FALSE(glIsTexture(oldTexture) && oldTexture != map.depthTexture);

  GLuint framebuffer, reduced, depth, scene, glow, sampler;
  {
    BloomFBO bloom;
    ASSERT_TRUE(bloom.init(64, 48));
    const GLuint oldDepth = bloom.depthRenderbuffer, oldGlow = bloom.glowTexture;
    ASSERT_TRUE(bloom.init(64, 48));
    EXPECT_FALSE(glIsRenderbuffer(oldDepth) && oldDepth != bloom.depthRenderbuffer);
    EXPECT_FALSE(glIsTexture(oldGlow) && oldGlow != bloom.glowTexture &&
                 oldGlow != bloom.sceneTexture);
    framebuffer = bloom.framebuffer, reduced = bloom.reducedGlowFramebuffer;
    depth = bloom.depthRenderbuffer;
    scene = bloom.sceneTexture, glow = bloom.glowTexture, sampler = bloom.glowSampler;
  }
  EXPECT_FALSE(glIsFramebuffer(framebuffer) || glIsFramebuffer(reduced) ||
               glIsRenderbuffer(depth) || glIsTexture(scene) || glIsTexture(glow) ||
               glIsSampler(sampler));
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
    postProcess(bloom, blurA, blurB, reduce, blur, composite, fullScreen, kSize, kSize, {});
    glFinish();
  }

  test::GlContext context{kSize, kSize};
  BloomFBO bloom;
  BlurFBO blurA;
  BlurFBO blurB;
  PostShader blur{"./Shader/texture.vert", "./Shader/gauss.frag"};
  PostShader composite{"./Shader/texture.vert", "./Shader/texture.frag"};
  PostShader reduce{"./Shader/texture.vert", "./Shader/reduce.frag"};
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

// The blurred glow read back at full size with the filter between texels, as the composite reads
// it.
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
  // The next frame's scene pass finds the depth test and writes as it left them.
  GLint depthFunction = 0;
  GLboolean depthWrites = GL_FALSE;
  glGetIntegerv(GL_DEPTH_FUNC, &depthFunction);
  glGetBooleanv(GL_DEPTH_WRITEMASK, &depthWrites);
  EXPECT_TRUE(depthFunction == GL_LESS && depthWrites);
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
