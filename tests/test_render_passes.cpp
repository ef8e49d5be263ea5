// View-frustum culling (the camera planes, the light box, the projection), the scene pass and the
// shadow pass: what is drawn in which order with which uniforms, culling, the draw-count report,
// and rendered pictures (lighting falls off, occluders cast shadows).
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "assets/Texture.h"
#include "render/LightSetup.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"
#include "support/Near.h"
#include "support/ScratchDirectory.h"
#include "test_render_helpers.h"

namespace vorn {
namespace {

using test::expectNear;

// A camera at the origin looking down -Z, 45 degrees, square window.
ViewFrustum originCamera() {
  ViewFrustum frustum(1.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  return frustum;
}

// Just inside and just outside each of the six planes, 10 units ahead (the sides at 45 degrees).
TEST(RenderFrustumTest, EachCameraPlaneBoundsTheFrustum) {
  const ViewFrustum frustum = originCamera();
  const float edge = 10.0f * std::tan(glm::radians(22.5f));
  const struct {
    const char* plane;
    glm::vec3 inside, outside;
  } cases[] = {
      {"near", {0, 0, -0.11f}, {0, 0, -0.09f}},
      {"far", {0, 0, -49.9f}, {0, 0, -50.1f}},
      {"top", {0, edge - 0.01f, -10}, {0, edge + 0.01f, -10}},
      {"bottom", {0, 0.01f - edge, -10}, {0, -0.01f - edge, -10}},
      {"right", {edge - 0.01f, 0, -10}, {edge + 0.01f, 0, -10}},
      {"left", {0.01f - edge, 0, -10}, {-0.01f - edge, 0, -10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plane);
    EXPECT_TRUE(frustum.contains({glm::vec4(c.inside, 1)}));
    EXPECT_FALSE(frustum.contains({glm::vec4(c.outside, 1)}));
  }
  expectNear(frustum.eye, {0, 0, 0});
}

TEST(RenderFrustumTest, WideWindowWidensOnlyTheSidePlanes) {
  ViewFrustum frustum(2.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({1, 2, 3}, {0, 0, -5}, {0, 2, 0}, {3, 0, 0}, 45.0f);
  const float t = std::tan(glm::radians(22.5f));
  // Unnormalised camera vectors give the same planes as unit ones. At depth 10 the left edge lies
  // 20 t to the side, the top edge 10 t up.
  expectNear(frustum.eye, {1, 2, 3});
  EXPECT_TRUE(frustum.contains({{1 - 19.9f * t, 2, -7, 1}}));
  EXPECT_FALSE(frustum.contains({{1 - 20.1f * t, 2, -7, 1}}));
  EXPECT_TRUE(frustum.contains({{1, 2 + 9.9f * t, -7, 1}}));
  EXPECT_FALSE(frustum.contains({{1, 2 + 10.1f * t, -7, 1}}));
}

TEST(RenderFrustumTest, CullsWhatLiesWhollyOutsideOnePlane) {
  const ViewFrustum frustum = originCamera();
  // (Behind, beyond the far plane and through the near plane: the culling test below.)
  EXPECT_TRUE(frustum.contains({{-100, 0, -5, 1}, {0, 0, -5, 1}}));  // straddling the left plane
  // Outside different planes point by point but not all outside one: kept (conservative).
  EXPECT_TRUE(frustum.contains({{-100, 0, -10, 1}, {100, 0, -10, 1}}));
  // The w component plays no part; a point on a plane counts as inside.
  EXPECT_TRUE(frustum.contains({{0, 0, -5, 0}}));
  EXPECT_TRUE(frustum.contains({{0, 0, -0.1f, 1}}));
  // No points are outside, unless there are no planes yet.
  EXPECT_FALSE(frustum.contains({}));
  EXPECT_TRUE(ViewFrustum(1.0f, 0.1f, 50.0f).contains({{0, 0, 1000, 1}}));
}

TEST(RenderFrustumTest, BoxPlanesKeepTheEyeAndBoundTheLightVolume) {
  ViewFrustum frustum = originCamera();
  frustum.updateFromCamera({4, 5, 6}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  frustum.updateAsBox({1, 2, 3}, 20.0f, 7.0f);
  for (const glm::vec3& side : {glm::vec3(1, 0, 0), glm::vec3(0, 0, 1)})
    for (const float sign : {-1.0f, 1.0f}) {
      EXPECT_TRUE(frustum.contains({glm::vec4(glm::vec3(1, 2, 3) + sign * 19.9f * side, 1)}));
      EXPECT_FALSE(frustum.contains({glm::vec4(glm::vec3(1, 2, 3) + sign * 20.1f * side, 1)}));
    }
  expectNear(frustum.eye, {4, 5, 6});
  EXPECT_TRUE(frustum.contains({{1, 8.9f, 3, 1}}));
  EXPECT_FALSE(frustum.contains({{1, 9.1f, 3, 1}, {1, 30, 3, 1}}));  // more than 7 above
  EXPECT_TRUE(frustum.contains({{1, -4.9f, 3, 1}}));
  EXPECT_TRUE(frustum.contains({{21, -5, 23, 1}}));  // a corner lies on three planes
  EXPECT_FALSE(frustum.contains({{1, -5.1f, 3, 1}}));
}

TEST(RenderFrustumTest, PerspectiveMatchesTheStandardProjection) {
  const glm::mat4 p = perspectiveMatrix(45.0f, 1366.0f / 768.0f, 0.1f, 50.0f);
  expectNear(p, glm::perspective(glm::radians(45.0f), 1366.0f / 768.0f, 0.1f, 50.0f));
}

using test::DrawRecord;
using test::TestObject;

std::vector<std::string> namesOf(const std::vector<DrawRecord>& log) {
  std::vector<std::string> names;
  for (const DrawRecord& record : log) names.push_back(record.name);
  return names;
}

constexpr int kSize = 64;

class RenderPassTest : public ::testing::Test {
 protected:
  RenderPassTest() {
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    lighting.use();
    glUniform1i(lighting.textureUnit, 0);
    glUniform1i(lighting.shadowMapCubeUnit, 2);
    glUniform1i(lighting.normalUnit, 3);
  }

  std::shared_ptr<TestObject> add(const std::string& key, float opacity, const glm::vec3& at,
                                  std::shared_ptr<test::GpuMesh> mesh = nullptr,
                                  float boxHalf = 0.5f) {
    auto object = std::make_shared<TestObject>(key, opacity, &log, std::move(mesh));
    object->withBox(boxHalf).at(at);
    registry.insert(key, object);
    return object;
  }

  int pass(const RenderSettings& settings, bool report = false) {
    return scenePass(viewProjection(), {lighting, &depthOnly}, registry, frustum, camera, settings,
                     report);
  }

  glm::mat4 viewProjection() const {
    const glm::mat4 view = glm::lookAt(camera.position, camera.position + camera.front, camera.up);
    return perspectiveMatrix(camera.fieldOfView, 1.0f, 0.1f, 50.0f) * view;
  }

  test::GlContext context{kSize, kSize};
  LightingShader lighting{"./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag"};
  ShadowShader depthOnly{"./Shader/spotShadowMap.vert", "./Shader/spotShadowMap.frag"};
  ShadowMapFBO cubeMap;
  ShadowShader pointShadow{"./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag"};
  SceneRegistry registry;
  ViewFrustum frustum{1.0f, 0.1f, 50.0f};
  // At the origin looking down -Z.
  CameraView camera{{0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f};
  std::vector<DrawRecord> log;
};

TEST_F(RenderPassTest, DrawsOpaqueThenTransparentEachInNameOrder) {
  add("b", 1.0f, {0, 0, -5});
  add("c", 0.25f, {0, 0, -30});
  add("a", 1.0f, {0, 0, -40});
  add("0", 0.5f, {0, 0, -2});
  EXPECT_EQ(pass({}), 4);
  // The depth pre-pass comes first, opaque objects only, in name order too; its program has no
  // "f_alpha".
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "a", "b", "0", "c"}));
  EXPECT_TRUE(std::isnan(log[1].alpha));
  EXPECT_EQ(log[2].alpha, 1.0f);
  EXPECT_EQ(log[4].alpha, 0.5f);
  EXPECT_EQ(log[5].alpha, 0.25f);

  log.clear();
  RenderSettings opaqueLook;
  opaqueLook.transparencyEnabled = false;
  EXPECT_EQ(pass(opaqueLook), 4);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "a", "b", "0", "c"}));
  EXPECT_EQ(log[4].alpha, 1.0f);
  EXPECT_EQ(log[5].alpha, 1.0f);
}

// The depth pre-pass lets the lighting shade only what is seen: an object hidden behind another
// passes no sample when it is lit, though it is lit first.
TEST_F(RenderPassTest, LightingShadesNothingOfWhatIsHidden) {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  add("a hidden", 1.0f, {0, 0, 0}, test::outwardBox({-1, -1, -12}, {1, 1, -10}), 12.0f);
  add("b in front", 1.0f, {0, 0, 0}, test::outwardBox({-3, -3, -4}, {3, 3, -3}), 4.0f);
  pass({});
  ASSERT_EQ(namesOf(log).size(), 4u);
  EXPECT_GT(log[0].samples, 0u);  // the pre-pass lays its depth down
  EXPECT_EQ(log[2].samples, 0u);
  EXPECT_GT(log[3].samples, 0u);
}

// The draw count is printed, and its request cleared, only when it was asked for.
TEST_F(RenderPassTest, CullingSkipsOnlyWhatLiesWhollyOutside) {
  add("behind", 1.0f, {0, 0, 5});
  add("front", 1.0f, {0, 0, -5});
  add("straddling", 1.0f, {0, 0, 0.2f});  // its box reaches through the near plane
  add("farAway", 0.5f, {0, 0, -80});
  add("noCorners", 1.0f, {0, 0, -5})->corners.clear();

  bool report = true;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(
      scenePass(viewProjection(), {lighting, &depthOnly}, registry, frustum, camera, {}, report),
      2);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Objects drawn: 2\n");
  EXPECT_FALSE(report);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"front", "straddling", "front", "straddling"}));

  log.clear();
  RenderSettings noCulling;
  noCulling.frustumCulling = false;
  ::testing::internal::CaptureStdout();
  EXPECT_EQ(pass(noCulling), 5);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(namesOf(log),
            (std::vector<std::string>{"behind", "front", "noCorners", "straddling", "behind",
                                      "front", "noCorners", "straddling", "farAway"}));
}

// Small scenes on the 8 x 8 floor, ambient light off, each with the lamps of one case: what must
// be brighter than what, what no light may reach, and in every picture no clipped channel.
struct LightingCase {
  const char* name;
  std::vector<scene::PointLight> points;  // in element order; element 0 casts the shadows
  std::vector<scene::SpotLight> spots;
  std::vector<std::pair<glm::vec3, glm::vec3>> solids;  // boxes, lowest and highest corner
  bool shadowPass;
  glm::vec3 eye;
  glm::vec3 target;
  std::vector<std::pair<glm::vec3, glm::vec3>> brighter;  // the first clearly brighter
  std::vector<glm::vec3> unlit;
  bool glowingSolids = false;  // the solids' diffuse map is transparent, as a lamp's glass
};

void PrintTo(const LightingCase& c, std::ostream* os) { *os << c.name; }

scene::PointLight point(const glm::vec3& color, const glm::vec3& at, const glm::vec3& attenuation) {
  return scene::PointLight("point", color, at, attenuation);
}

scene::SpotLight downLight(const glm::vec3& at, float cutoff) {
  return scene::SpotLight("spot", glm::vec3(1), at, {1, 0, 0.05f}, {0, 1, 0}, cutoff);
}

const LightingCase kLightingCases[] = {
    {"DownLightPoolIsBrighterThanTheWallBetweenTwoLamps",
     {},
     {downLight({-2.5f, 3, -2}, 0.8f), downLight({2.5f, 3, -2}, 0.8f)},
     {{{-4, 0, -4.3f}, {4, 4, -4}}},
     false,
     {0, 2, 5},
     {0, 1, -4},
     {{{2.5f, 0, -2}, {0, 2, -4}}, {{-2.5f, 0, -2}, {0, 2, -4}}},
     {}},
    {"LightFarBrighterThanTheDisplayKeepsItsPoolGraded",
     {point(glm::vec3(40), {0, 1, 0}, {0, 0, 1})},
     {},
     {},
     false,
     {0, 8, 0.01f},
     {0, 0, 0},
     {{{0, 0, 0}, {3, 0, 0}}, {{1.5f, 0, 0}, {3.2f, 0, 0}}},
     {}},
    // A thin plate 6 units from the lamp: just behind it the floor is only 0.2 units further
    // from the lamp than the plate.
    {"ShadowBeginsAtTheCastersBase",
     {point(glm::vec3(1), {-3, 3, 0}, {1, 0, 0.01f})},
     {},
     {{{3, 0, -0.5f}, {3.05f, 0.6f, 0.5f}}},
     true,
     {3.5f, 3, 0.01f},
     {3.5f, 0, 0},
     {{{3.2f, 0, 1}, {3.2f, 0, 0}}},
     {}},
    {"LightDoesNotPassThroughAWallToTheRoomBehind",
     // The first lamp casts shadows; the second casts none, and its reach ends before the floor
     // beyond the wall.
     {point(glm::vec3(1), {-1.5f, 1.5f, 0}, {1, 0, 0.1f}),
      point(glm::vec3(1), {-1.5f, 1.5f, 2}, {1, 0, 1})},
     {},
     {{{0, 0, -4}, {0.3f, 3, 4}}},
     true,
     {0, 8, 1.01f},
     {0, 0, 1},
     {{{-0.8f, 0, 0}, {0.8f, 0, 0}}},
     {{0.8f, 0, 0}, {0.8f, 0, 2}, {2, 0, 1}}},
    {"LampGlassGlowsWithoutALightAndLightsNothing",
     {},
     {},
     {{{-1, 2, -1}, {1, 2.2f, 1}}},
     false,
     {0, 0.5f, 5},
     {0, 1, 0},
     {{{0, 2, 0.5f}, {0, 0, 0}}},
     {{0, 0, 0}, {1, 0, 2}},
     true},
};

class RenderLightingTest : public RenderPassTest,
                           public ::testing::WithParamInterface<LightingCase> {
 protected:
  RenderLightingTest() {
    const LightingCase& c = GetParam();
    const glm::vec3 front = glm::normalize(c.target - c.eye);
    const glm::vec3 right = glm::normalize(glm::cross(front, glm::vec3(0, 1, 0)));
    camera = {c.eye, front, glm::cross(right, front), right, 45.0f};
    glUniform3fv(lighting.cameraPos, 1, glm::value_ptr(camera.position));
    glUniform3f(lighting.ambientColor, 0.0f, 0.0f, 0.0f);
    flatNormals.bind(GL_TEXTURE3, false, kMipmapOff);
    // Drawn last, after whatever diffuse map a solid left bound.
    add("z floor", 1.0f, {0, 0, 0}, test::outwardBox({-4, -0.1f, -4}, {4, 0, 4}), 4.0f);
    for (std::size_t i = 0; i < c.solids.size(); ++i) {
      const auto solid = add("solid" + std::to_string(i), 1.0f, {0, 0, 0},
                             test::outwardBox(c.solids[i].first, c.solids[i].second), 5.0f);
      if (c.glowingSolids) solid->diffuseMap = lampGlass.name;
    }

    const scene::PointLight off = point(glm::vec3(0), {0, 50, 0}, {1, 0, 0});
    std::array<scene::PointLight, kPointLightCount> points{off, off, off};
    std::copy(c.points.begin(), c.points.end(), points.begin());
    const scene::SpotLight dark("dark", glm::vec3(0), {0, 50, 0}, {1, 0, 0}, {0, 1, 0}, 0.5f);
    std::array<scene::SpotLight, kSpotLightCount> spots{dark, dark, dark, dark};
    std::copy(c.spots.begin(), c.spots.end(), spots.begin());
    uploadPointLights(lighting, points);
    uploadSpotLights(lighting, spots);
    registry.addPointLight("point1", std::make_shared<scene::PointLight>(points[0]));
  }

  void render() {
    if (GetParam().shadowPass) {
      ASSERT_TRUE(cubeMap.initPoint());
      shadowPass(cubeMap, pointShadow, lighting, registry, frustum, {});
      glActiveTexture(GL_TEXTURE2);
      glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap.depthTexture);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // Post-processing leaves its own texture on unit 0; a mesh without a diffuse map must not
    // take its colour from it.
    black.bind(GL_TEXTURE0, false, kMipmapOff);
    pass({});
    glFinish();
  }

  // The brightest channel where the camera sees the point.
  int brightness(const glm::vec3& point) {
    const glm::vec4 clip = viewProjection() * glm::vec4(point, 1.0f);
    const glm::vec2 ndc = glm::vec2(clip) / clip.w;
    EXPECT_LT(glm::max(std::abs(ndc.x), std::abs(ndc.y)), 1.0f) << "out of the picture";
    const glm::ivec2 pixel((ndc + 1.0f) * 0.5f * static_cast<float>(kSize));
    const auto rgb = test::readPixel(pixel.x, pixel.y);
    return std::max({rgb.r, rgb.g, rgb.b});
  }

  const Texture flatNormals{test::onePixel(128, 128, 255)};
  const Texture lampGlass{test::onePixel(255, 245, 225, 0)};
  const Texture black{test::onePixel(0, 0, 0)};
};

TEST_P(RenderLightingTest, Picture) {
  render();
  const LightingCase& c = GetParam();
  for (const auto& [lit, darker] : c.brighter)
    EXPECT_GT(brightness(lit), brightness(darker) + 20) << lit.x << "," << lit.z;
  for (const glm::vec3& point : c.unlit)
    EXPECT_LE(brightness(point), 2) << point.x << "," << point.z;
  std::vector<unsigned char> pixels(kSize * kSize * 4);
  glReadPixels(0, 0, kSize, kSize, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  for (std::size_t i = 0; i < pixels.size(); i += 4)
    ASSERT_LT(std::max({pixels[i], pixels[i + 1], pixels[i + 2]}), 255) << "clipped at " << i / 4;
}

INSTANTIATE_TEST_SUITE_P(Cases, RenderLightingTest, ::testing::ValuesIn(kLightingCases),
                         [](const auto& info) { return std::string(info.param.name); });

class RenderShadowPassTest : public RenderPassTest {
 protected:
  RenderShadowPassTest() {
    registry.addPointLight("point1", std::make_shared<scene::PointLight>(
                                         "point1", glm::vec3(1), lightPos, glm::vec3(1, 0, 0)));
  }

  void shadow(bool culling) {
    RenderSettings settings;
    settings.frustumCulling = culling;
    shadowPass(cubeMap, pointShadow, lighting, registry, frustum, settings);
  }

  glm::vec2 lightingNearFar() const {
    glm::vec2 nearFar(-1.0f);
    glGetUniformfv(lighting.program, lighting.nearFar, glm::value_ptr(nearFar));
    return nearFar;
  }

  const glm::vec3 lightPos{10, 3, -4};
};

TEST_F(RenderShadowPassTest, DrawsEachNameOnceWithinTheLightBox) {
  ASSERT_TRUE(cubeMap.initPoint());
  add("b", 1.0f, lightPos + glm::vec3(0, 0, -3));
  add("twin", 1.0f, lightPos)->name = "twin-opaque";  // one key in both maps
  add("twin", 0.5f, lightPos)->name = "twin-transparent";
  add("a", 0.5f, lightPos + glm::vec3(19, 0, 0));
  add("high", 1.0f, lightPos + glm::vec3(0, 8, 0));  // more than 7 above the light
  add("c", 1.0f, lightPos + glm::vec3(0, 0, 25));    // beyond the box

  shadow(true);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "twin-opaque"}));
  GLint bound = -1, current = 0;
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(static_cast<GLuint>(current), lighting.program);
  EXPECT_EQ(lightingNearFar(), glm::vec2(0.1f, 20.0f));

  log.clear();
  shadow(false);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "c", "high", "twin-opaque"}));
}

TEST_F(RenderShadowPassTest, UploadsTheCubeFaceMatrices) {
  ASSERT_TRUE(cubeMap.initPoint());
  shadow(true);
  const glm::vec3 looks[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
  for (int i = 0; i < 6; ++i) {
    glm::mat4 m(0.0f);
    glGetUniformfv(pointShadow.program, pointShadow.viewProjections[i], glm::value_ptr(m));
    // A point straight ahead of face i lands in the middle of that face, in front of the light.
    const glm::vec4 clip = m * glm::vec4(lightPos + 5.0f * looks[i], 1.0f);
    EXPECT_NEAR(clip.x / clip.w, 0.0f, 1e-5f) << i;
    EXPECT_NEAR(clip.y / clip.w, 0.0f, 1e-5f) << i;
    EXPECT_GT(clip.w, 0.0f) << i;
  }
  // Face +X: GL's cube layout puts -Y up and -Z to the right.
  glm::mat4 px(0.0f);
  glGetUniformfv(pointShadow.program, pointShadow.viewProjections[0], glm::value_ptr(px));
  const glm::vec4 right = px * glm::vec4(lightPos + glm::vec3(5, 0, -2), 1.0f);
  const glm::vec4 up = px * glm::vec4(lightPos + glm::vec3(5, -2, 0), 1.0f);
  EXPECT_GT(right.x / right.w, 0.0f);
  EXPECT_GT(up.y / up.w, 0.0f);
  glm::vec4 lightUniform(0.0f);
  glGetUniformfv(pointShadow.program, pointShadow.lightPos, glm::value_ptr(lightUniform));
  EXPECT_EQ(lightUniform, glm::vec4(lightPos, 1.0f));
}

// Triangles of every size scattered around the light, across face edges, through the light's
// planes and behind it, in both windings.
std::shared_ptr<test::GpuMesh> scatteredTriangles(const glm::vec3& around, int count) {
  std::mt19937 random(7);
  std::uniform_real_distribution<float> position(-9.0f, 9.0f), unit(-1.0f, 1.0f);
  std::vector<glm::vec3> positions;
  for (int t = 0; t < count; ++t) {
    const glm::vec3 centre =
        around + glm::vec3(position(random), position(random), position(random));
    const float size = t % 10 == 0 ? 15.0f : 3.0f;
    for (int corner = 0; corner < 3; ++corner)
      positions.push_back(centre + size * glm::vec3(unit(random), unit(random), unit(random)));
  }
  std::vector<uint32_t> indices(positions.size());
  for (uint32_t i = 0; i < indices.size(); ++i) indices[i] = i;
  const std::vector<glm::vec3> normals(positions.size(), glm::vec3(0, 1, 0));
  const std::vector<glm::vec2> uvs(positions.size(), glm::vec2(0));
  return std::make_shared<test::GpuMesh>(positions, uvs, normals, normals, indices);
}

TEST_F(RenderShadowPassTest, CubeMapIsTheSameAsWithEveryTriangleSentToEveryFace) {
  test::ScratchDirectory scratch("shadow");
  // Every triangle to all six faces, the plain way.
  const std::string everyFace = scratch.write("everyFace.geom", R"(#version 430 core
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;
uniform mat4 m_viewProjections[6];
void main() {
  for (int face = 0; face < 6; ++face) {
    for (int i = 0; i < 3; ++i) {
      gl_Layer = face;
      gl_Position = m_viewProjections[face] * gl_in[i].gl_Position;
      EmitVertex();
    }
    EndPrimitive();
  }
}
)");
  ShadowShader plain{"./Shader/pointShadowMap.vert", everyFace, "./Shader/pointShadowMap.frag"};
  constexpr int kTriangles = 400;
  add("scattered", 1.0f, {0, 0, 0}, scatteredTriangles(lightPos, kTriangles), 30.0f);
  RenderSettings settings;
  settings.frustumCulling = false;
  GLuint query = 0;
  glGenQueries(1, &query);
  const auto render = [&](ShadowShader& program, GLuint64& emitted) {
    std::vector<float> depths(6 * ShadowMapFBO::kSize * ShadowMapFBO::kSize);
    EXPECT_TRUE(cubeMap.initPoint());
    glBeginQuery(GL_PRIMITIVES_GENERATED, query);
    shadowPass(cubeMap, program, lighting, registry, frustum, settings);
    glEndQuery(GL_PRIMITIVES_GENERATED);
    glGetQueryObjectui64v(query, GL_QUERY_RESULT, &emitted);
    glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap.depthTexture);
    const std::size_t faceSize = depths.size() / 6;
    for (int face = 0; face < 6; ++face)
      glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT, GL_FLOAT,
                    &depths[face * faceSize]);
    return depths;
  };
  GLuint64 sentToSome = 0, sentToAll = 0;
  const std::vector<float> game = render(pointShadow, sentToSome);
  const std::vector<float> reference = render(plain, sentToAll);
  glDeleteQueries(1, &query);

  EXPECT_EQ(sentToAll, 6u * kTriangles);
  // Most triangles reach one or two faces, and only those facing the light are sent.
  EXPECT_LT(sentToSome, sentToAll / 4);
  std::size_t differing = 0, covered = 0;
  for (std::size_t i = 0; i < game.size(); ++i) {
    differing += game[i] != reference[i];
    covered += reference[i] < 1.0f;
  }
  EXPECT_EQ(differing, 0u);
  EXPECT_GT(covered, game.size() / 2);  // the triangles cover most of every face
}

// The lighting reads a face's depth back from the distance along the face's axis, as the
// projection of the face maps it: (1 - near / d) / (1 - near / far).
TEST_F(RenderShadowPassTest, DepthIsThatOfTheDistanceAlongTheFacesAxis) {
  ASSERT_TRUE(cubeMap.initPoint());
  // A thin wall 5 in front of face +X, wider than the face's view.
  add("wall", 1.0f, lightPos + glm::vec3(5, 0, 0), test::outwardBox({0, -6, -6}, {0.001f, 6, 6}),
      6.0f);
  shadow(false);
  std::vector<float> depths(ShadowMapFBO::kSize * ShadowMapFBO::kSize);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap.depthTexture);
  glGetTexImage(GL_TEXTURE_CUBE_MAP_POSITIVE_X, 0, GL_DEPTH_COMPONENT, GL_FLOAT, depths.data());
  const int centre = ShadowMapFBO::kSize / 2;
  // Straight ahead and towards a corner of the face alike, the wall is 5 along the axis.
  const float expected = (1.0f - 0.1f / 5.0f) / (1.0f - 0.1f / 20.0f);
  EXPECT_NEAR(depths[centre * ShadowMapFBO::kSize + centre], expected, 1e-5f);
  EXPECT_NEAR(depths[0], expected, 1e-5f);
}

TEST_F(RenderShadowPassTest, WithoutPoint1NothingIsDrawn) {
  ASSERT_TRUE(cubeMap.initPoint());
  SceneRegistry unlit;
  auto object = std::make_shared<TestObject>("a", 1.0f, &log);
  object->withBox(0.5f).at(lightPos);
  unlit.insert("a", object);
  ::testing::internal::CaptureStderr();
  shadowPass(cubeMap, pointShadow, lighting, unlit, frustum, {});
  EXPECT_EQ(::testing::internal::GetCapturedStderr().rfind("ERROR: ", 0), 0u);
  EXPECT_TRUE(log.empty());
  EXPECT_EQ(lightingNearFar(), glm::vec2(0.0f, 0.0f));
}

}  // namespace
}  // namespace vorn
