// Scene pass and shadow pass: what is drawn in which order with which uniforms, culling, the
// draw-count report, and rendered pictures (lighting falls off, occluders cast shadows).
#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/gtc/type_ptr.hpp>
#include <memory>
#include <string>
#include <vector>

#include "render/LightSetup.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"
#include "test_render_helpers.h"

namespace vorn {
namespace {

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
    return scenePass(viewProjection(), lighting, registry, frustum, camera, settings, report);
  }

  glm::mat4 viewProjection() const {
    const glm::mat4 view = glm::lookAt(camera.position, camera.position + camera.front, camera.up);
    return perspectiveMatrix(camera.fieldOfView, 1.0f, 0.1f, 50.0f) * view;
  }

  test::GlContext context{kSize, kSize};
  LightingShader lighting{"./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag"};
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
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "0", "c"}));
  EXPECT_EQ(log[0].alpha, 1.0f);
  EXPECT_EQ(log[2].alpha, 0.5f);
  EXPECT_EQ(log[3].alpha, 0.25f);

  log.clear();
  RenderSettings opaqueLook;
  opaqueLook.transparencyEnabled = false;
  EXPECT_EQ(pass(opaqueLook), 4);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "0", "c"}));
  EXPECT_EQ(log[2].alpha, 1.0f);
  EXPECT_EQ(log[3].alpha, 1.0f);
}

TEST_F(RenderPassTest, CullingSkipsOnlyWhatLiesWhollyOutside) {
  add("behind", 1.0f, {0, 0, 5});
  add("front", 1.0f, {0, 0, -5});
  add("straddling", 1.0f, {0, 0, 0.2f});  // its box reaches through the near plane
  add("farAway", 0.5f, {0, 0, -80});
  add("noCorners", 1.0f, {0, 0, -5})->corners.clear();

  EXPECT_EQ(pass({}), 2);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"front", "straddling"}));

  log.clear();
  RenderSettings noCulling;
  noCulling.frustumCulling = false;
  EXPECT_EQ(pass(noCulling), 5);
  EXPECT_EQ(namesOf(log),
            (std::vector<std::string>{"behind", "front", "noCorners", "straddling", "farAway"}));
}

TEST_F(RenderPassTest, DrawCountIsPrintedOnlyWhenRequested) {
  add("a", 1.0f, {0, 0, -5});
  add("b", 0.5f, {0, 0, -6});
  add("behind", 1.0f, {0, 0, 5});
  bool request = false;
  ::testing::internal::CaptureStdout();
  scenePass(viewProjection(), lighting, registry, frustum, camera, {}, request);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "");

  request = true;
  ::testing::internal::CaptureStdout();
  scenePass(viewProjection(), lighting, registry, frustum, camera, {}, request);
  EXPECT_EQ(::testing::internal::GetCapturedStdout(), "Objects drawn: 2\n");
  EXPECT_FALSE(request);
}

TEST_F(RenderPassTest, UploadsModelMatrixAndMaterialPerObject) {
  auto object = add("a", 1.0f, {1, 2, -5});
  object->at({1, 2, -5}, glm::angleAxis(glm::radians(90.0f), glm::vec3(0, 1, 0)));
  object->ambient = 0.25f;
  object->shininess = 12.0f;
  pass({});
  glm::mat4 model(0.0f);
  glGetUniformfv(lighting.program, lighting.model, glm::value_ptr(model));
  const glm::mat4 expected = scene::poseToMatrix(object->getGlobalPose());
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_FLOAT_EQ(model[c][r], expected[c][r]);
  float value = 0.0f;
  glGetUniformfv(lighting.program, lighting.matAmbient, &value);
  EXPECT_EQ(value, 0.25f);
  glGetUniformfv(lighting.program, lighting.matShininess, &value);
  EXPECT_EQ(value, 12.0f);
}

// Pictures: a floor seen from straight above, lit by the first point light only.
class RenderPictureTest : public RenderPassTest {
 protected:
  RenderPictureTest() {
    camera = {{0, 8, 0}, {0, -1, 0}, {0, 0, -1}, {1, 0, 0}, 45.0f};
    glUniform3fv(lighting.cameraPos, 1, glm::value_ptr(camera.position));
    flatNormals.bind(GL_TEXTURE3);
    floor = add("floor", 1.0f, {0, 0, 0}, test::horizontalQuad(-4, 4, -4, 4, 0), 4.0f);
  }

  void lightOnly(const glm::vec3& position, const glm::vec3& attenuation) {
    const scene::PointLight off("off", {0, 0, 0}, {0, 50, 0}, {1, 0, 0});
    uploadPointLights(lighting,
                      {scene::PointLight("point1", {1, 1, 1}, position, attenuation), off, off});
    const scene::SpotLight dark("dark", {0, 0, 0}, {0, 50, 0}, {1, 0, 0}, {0, 1, 0}, 0.5f);
    uploadSpotLights(lighting, {dark, dark, dark, dark});
    glUniform3f(lighting.ambientColor, 0.0f, 0.0f, 0.0f);
    registry.addPointLight("point1", std::make_shared<scene::PointLight>("point1", glm::vec3(1),
                                                                         position, attenuation));
  }

  // Red channel at the floor point (x, 0, 0): the camera sees x across the window.
  int floorBrightness(float x) {
    const float ndc = x / (8.0f * std::tan(glm::radians(22.5f)));
    const int px = static_cast<int>((ndc + 1.0f) / 2.0f * kSize);
    return test::readPixel(px, kSize / 2).r;
  }

  void renderScene() {
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glViewport(0, 0, kSize, kSize);
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    lighting.use();
    pass({});
    glFinish();
  }

  test::SolidTexture flatNormals{128, 128, 255};
  std::shared_ptr<TestObject> floor;
};

TEST_F(RenderPictureTest, FloorIsBrighterNearThePointLight) {
  lightOnly({-2.5f, 0.5f, 0}, {1.0f, 0.0f, 0.3f});
  renderScene();
  const int nearLight = floorBrightness(-2.5f);
  const int middle = floorBrightness(0.0f);
  const int farAway = floorBrightness(2.5f);
  EXPECT_GT(nearLight, 150);
  EXPECT_GT(nearLight, middle + 40);
  EXPECT_GT(middle, farAway);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderPictureTest, ObjectWithoutDiffuseMapIgnoresWhatUnitZeroHeld) {
  lightOnly({0, 1, 0}, {1.0f, 0.0f, 0.0f});
  // Post-processing leaves its own texture on unit 0, and an object drawn earlier leaves its
  // diffuse map; a mesh without a diffuse map must take its colour from neither.
  const test::SolidTexture black(0, 0, 0);
  black.bind(GL_TEXTURE0);
  renderScene();
  EXPECT_GT(floorBrightness(0.0f), 200);

  auto textured = add("a-textured", 1.0f, {0, 0, 0}, test::horizontalQuad(-4, 0, -4, 4, 0.01f), 4);
  textured->diffuseMap = black.name;
  renderScene();
  EXPECT_LT(floorBrightness(-1.0f), 5);   // the textured half is black
  EXPECT_GT(floorBrightness(1.0f), 150);  // the floor, drawn after it, is not
}

TEST_F(RenderPictureTest, OccluderDarkensTheFloorOnlyAfterAShadowPass) {
  lightOnly({0, 2, 0}, {1.0f, 0.0f, 0.05f});
  add("occluder", 1.0f, {0, 0, 0}, test::horizontalQuad(0.5f, 1.5f, -0.5f, 0.5f, 1.0f), 1.5f);
  // The occluder's shadow covers the floor from x = 1 to 3; the camera sees it beside the
  // occluder.
  renderScene();
  const int shadowedBefore = floorBrightness(2.2f);
  const int litBefore = floorBrightness(-2.2f);
  const int belowLightBefore = floorBrightness(0.0f);
  EXPECT_NEAR(shadowedBefore, litBefore, 3);

  ShadowMapFBO cubeMap;
  ASSERT_TRUE(cubeMap.initPoint());
  ShadowShader pointShadow("./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag");
  shadowPass(cubeMap, pointShadow, lighting, registry, frustum, {});
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_CUBE_MAP, cubeMap.depthTexture);
  renderScene();
  EXPECT_LT(floorBrightness(2.2f), shadowedBefore / 4);
  EXPECT_NEAR(floorBrightness(-2.2f), litBefore, 3);        // no shadow where nothing occludes
  EXPECT_NEAR(floorBrightness(0.0f), belowLightBefore, 3);  // the floor does not shadow itself
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

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
  ShadowMapFBO cubeMap;
  ShadowShader pointShadow{"./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag"};
};

TEST_F(RenderShadowPassTest, DrawsEachNameOnceWithinTheLightBox) {
  ASSERT_TRUE(cubeMap.initPoint());
  add("b", 1.0f, lightPos + glm::vec3(0, 0, -3));
  auto twinOpaque = std::make_shared<TestObject>("twin-opaque", 1.0f, &log);
  auto twinTransparent = std::make_shared<TestObject>("twin-transparent", 0.5f, &log);
  twinOpaque->withBox(0.5f).at(lightPos);
  twinTransparent->withBox(0.5f).at(lightPos);
  registry.insert("twin", twinOpaque);
  registry.insert("twin", twinTransparent);
  add("a", 0.5f, lightPos + glm::vec3(19, 0, 0));
  add("high", 1.0f, lightPos + glm::vec3(0, 8, 0));  // more than 7 above the light
  add("c", 1.0f, lightPos + glm::vec3(0, 0, 25));    // beyond the box

  shadow(true);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "twin-opaque"}));
  GLint bound = -1, current = 0, viewport[4];
  glGetIntegerv(GL_FRAMEBUFFER_BINDING, &bound);
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  glGetIntegerv(GL_VIEWPORT, viewport);
  EXPECT_EQ(bound, 0);
  EXPECT_EQ(static_cast<GLuint>(current), lighting.program);
  EXPECT_EQ(viewport[2], 512);
  EXPECT_EQ(lightingNearFar(), glm::vec2(0.1f, 20.0f));

  log.clear();
  shadow(false);
  EXPECT_EQ(namesOf(log), (std::vector<std::string>{"a", "b", "c", "high", "twin-opaque"}));
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
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
