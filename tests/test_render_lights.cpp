// Lights: the two layouts, what reaches the lighting program's uniforms, single-light updates.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <regex>
#include <string>

#include "render/LightSetup.h"
#include "render/ShaderProgram.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"

namespace vorn {
namespace {

class RenderLightsTest : public test::GlTest {
 protected:
  glm::vec3 vec3At(GLint location) const {
    glm::vec3 v(-999.0f);
    glGetUniformfv(shader.program, location, &v.x);
    return v;
  }
  float floatAt(GLint location) const {
    float f = -999.0f;
    glGetUniformfv(shader.program, location, &f);
    return f;
  }
  int intAt(GLint location) const {
    GLint i = -999;
    glGetUniformiv(shader.program, location, &i);
    return i;
  }

  // Every uniform holds the value of the registry record named for its element.
  void expectUniformsMatchRegistry() const {
    const char* points[3] = {"point1", "point2", "point3"};
    for (int i = 0; i < 3; ++i) {
      const auto light = registry.getPointLight(points[i]);
      ASSERT_TRUE(light) << points[i];
      EXPECT_EQ(vec3At(shader.pointLights[i].color), light->color) << points[i];
      EXPECT_EQ(vec3At(shader.pointLights[i].position), light->position) << points[i];
      EXPECT_EQ(vec3At(shader.pointLights[i].attenuation), light->attenuation) << points[i];
      EXPECT_EQ(floatAt(shader.pointLights[i].reachInverseSquared),
                derivedValues(*light).reachInverseSquared)
          << points[i];
    }
    const char* spots[4] = {"spot1", "spot2", "spot3", "spot4"};
    for (int i = 0; i < 4; ++i) {
      const auto light = registry.getSpotLight(spots[i]);
      ASSERT_TRUE(light) << spots[i];
      EXPECT_EQ(vec3At(shader.spotLights[i].color), light->color) << spots[i];
      EXPECT_EQ(vec3At(shader.spotLights[i].position), light->position) << spots[i];
      EXPECT_EQ(vec3At(shader.spotLights[i].attenuation), light->attenuation) << spots[i];
      EXPECT_EQ(vec3At(shader.spotLights[i].direction), light->direction) << spots[i];
      EXPECT_EQ(floatAt(shader.spotLights[i].cutoff), light->cutoff) << spots[i];
      const DerivedLightValues derived = derivedValues(*light);
      EXPECT_EQ(floatAt(shader.spotLights[i].reachInverseSquared), derived.reachInverseSquared)
          << spots[i];
      EXPECT_EQ(floatAt(shader.spotLights[i].axisInverseLength), derived.axisInverseLength)
          << spots[i];
      EXPECT_EQ(floatAt(shader.spotLights[i].coneSharpness), derived.coneSharpness) << spots[i];
    }
  }

  LightingShader shader{"./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag"};
  SceneRegistry registry;
};

TEST_F(RenderLightsTest, NormalLayoutReachesRegistryAndUniforms) {
  setupLights(shader, registry, false);
  GLint current = 0;
  glGetIntegerv(GL_CURRENT_PROGRAM, &current);
  EXPECT_EQ(static_cast<GLuint>(current), shader.program);

  EXPECT_EQ(vec3At(shader.ambientColor), glm::vec3(0.4f, 0.4f, 0.5f));
  EXPECT_EQ(intAt(shader.numPointLights), 3);
  EXPECT_EQ(intAt(shader.numSpotLights), 4);
  EXPECT_EQ(vec3At(shader.pointLights[0].color), glm::vec3(0.5f, 0.9f, 1.0f));
  EXPECT_EQ(vec3At(shader.pointLights[0].position), glm::vec3(20.5f, 2.8f, 15.25f));
  EXPECT_EQ(vec3At(shader.pointLights[0].attenuation), glm::vec3(0.5f, 0.05f, 0.05f));
  EXPECT_EQ(vec3At(shader.pointLights[1].position), glm::vec3(3.0f, 4.0f, -15.0f));
  EXPECT_EQ(vec3At(shader.pointLights[2].position), glm::vec3(-3.0f, 4.0f, 15.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].color), glm::vec3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].position), glm::vec3(-17.5f, 2.5f, -15.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].direction), glm::vec3(0.0f, 0.0f, -1.0f));
  EXPECT_EQ(floatAt(shader.spotLights[0].cutoff), 0.7f);
  EXPECT_EQ(vec3At(shader.spotLights[1].position), glm::vec3(6.0f, 6.0f, 0.0f));
  EXPECT_EQ(floatAt(shader.spotLights[2].cutoff), 0.5f);
  EXPECT_EQ(vec3At(shader.spotLights[3].color), glm::vec3(1.0f, 0.9f, 0.7f));
  EXPECT_EQ(vec3At(shader.spotLights[3].position), glm::vec3(21.0f, 18.0f, 0.0f));
  EXPECT_EQ(vec3At(shader.spotLights[3].attenuation), glm::vec3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(floatAt(shader.spotLights[3].cutoff), 0.8f);
  expectUniformsMatchRegistry();
  EXPECT_EQ(registry.getPointLight("point2")->name, "point2");
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderLightsTest, SwitchingLayoutsReplacesRecordsAndUniforms) {
  setupLights(shader, registry, false);
  const auto before = registry.getPointLight("point1");
  const auto spot4Before = registry.getSpotLight("spot4");

  setupLights(shader, registry, true);
  const auto after = registry.getPointLight("point1");
  EXPECT_NE(after, before);  // a new record; the old holder's copy no longer matters
  EXPECT_EQ(vec3At(shader.pointLights[0].position), glm::vec3(0.4f, 7.2f, 9.0f));
  EXPECT_EQ(vec3At(shader.pointLights[0].color), glm::vec3(1.0f, 0.5f, 0.0f));
  EXPECT_EQ(vec3At(shader.pointLights[0].attenuation), glm::vec3(0.5f, 0.01f, 0.01f));
  EXPECT_EQ(vec3At(shader.pointLights[1].position), glm::vec3(-8.0f, 10.0f, -11.0f));
  EXPECT_EQ(vec3At(shader.pointLights[2].position), glm::vec3(7.0f, 10.0f, -15.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].color), glm::vec3(1.0f, 1.0f, 1.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].position), glm::vec3(-8.0f, 12.0f, 15.0f));
  EXPECT_EQ(vec3At(shader.spotLights[0].direction), glm::vec3(0.0f, 1.0f, 0.0f));
  EXPECT_EQ(floatAt(shader.spotLights[0].cutoff), 0.5f);
  EXPECT_EQ(vec3At(shader.spotLights[2].position), glm::vec3(-6.0f, 12.0f, 0.0f));
  // spot4 and the ambient colour are the same in both layouts.
  EXPECT_EQ(vec3At(shader.spotLights[3].position), spot4Before->position);
  EXPECT_EQ(vec3At(shader.ambientColor), glm::vec3(0.4f, 0.4f, 0.5f));
  expectUniformsMatchRegistry();

  setupLights(shader, registry, false);
  EXPECT_EQ(vec3At(shader.pointLights[0].position), glm::vec3(20.5f, 2.8f, 15.25f));
  expectUniformsMatchRegistry();
}

TEST_F(RenderLightsTest, SingleUpdatesTouchOnlyTheirElement) {
  setupLights(shader, registry, false);
  scene::SpotLight spot = *registry.getSpotLight("spot2");
  spot.color = {0.25f, 0.5f, 0.75f};
  spot.cutoff = 0.9f;
  updateSpotLight(shader, 1, spot);
  EXPECT_EQ(vec3At(shader.spotLights[1].color), glm::vec3(0.25f, 0.5f, 0.75f));
  EXPECT_EQ(floatAt(shader.spotLights[1].cutoff), 0.9f);
  EXPECT_EQ(vec3At(shader.spotLights[0].color), glm::vec3(1.0f, 0.0f, 0.0f));
  EXPECT_EQ(vec3At(shader.spotLights[2].color), glm::vec3(1.0f, 0.9f, 0.8f));
  EXPECT_EQ(vec3At(shader.spotLights[3].color), glm::vec3(1.0f, 0.9f, 0.7f));
  EXPECT_EQ(intAt(shader.numSpotLights), 4);

  scene::PointLight point = *registry.getPointLight("point3");
  point.color = {0.0f, 1.0f, 0.0f};
  updatePointLight(shader, 2, point);
  EXPECT_EQ(vec3At(shader.pointLights[2].color), glm::vec3(0.0f, 1.0f, 0.0f));
  EXPECT_EQ(vec3At(shader.pointLights[1].color), glm::vec3(1.0f, 0.9f, 0.8f));
  EXPECT_EQ(intAt(shader.numPointLights), 3);
}

// As the flicker and the win do: a record changes in place and is uploaded again. What the
// program derives from a light's values must follow them.
TEST_F(RenderLightsTest, DerivedValuesFollowSingleUpdates) {
  setupLights(shader, registry, false);
  const auto spot1 = registry.getSpotLight("spot1");
  spot1->color = {0.1f, 0.6f, 0.3f};
  spot1->direction = {0.2f, -0.6f, 0.4f};
  updateSpotLight(shader, 0, *spot1);
  const auto point1 = registry.getPointLight("point1");
  point1->color = {0.05f, 0.1f, 0.1f};
  updatePointLight(shader, 0, *point1);
  expectUniformsMatchRegistry();
}

TEST_F(RenderLightsTest, IndexOutsideTheArraysIsReportedAndIgnored) {
  setupLights(shader, registry, false);
  const scene::PointLight point("x", {0, 1, 0}, {0, 0, 0}, {1, 0, 0});
  const scene::SpotLight spot("y", {0, 1, 0}, {0, 0, 0}, {1, 0, 0}, {0, 1, 0}, 0.1f);
  ::testing::internal::CaptureStderr();
  updatePointLight(shader, 3, point);
  updatePointLight(shader, -1, point);
  updateSpotLight(shader, 4, spot);
  const std::string errors = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(std::count(errors.begin(), errors.end(), '\n'), 3);
  EXPECT_EQ(errors.rfind("ERROR: ", 0), 0u);
  expectUniformsMatchRegistry();
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(RenderLightsShaderTest, LightingProgramWithoutACutoffStillTakesTheLights) {
  test::GlContext context;
  namespace fs = std::filesystem;
  const fs::path dir = fs::temp_directory_path() / "render_lights_no_cutoff";
  fs::create_directories(dir);
  // The vertex stage reads the light uniforms.
  std::ifstream original("./Shader/blinn_phong.vert");
  std::string source((std::istreambuf_iterator<char>(original)), std::istreambuf_iterator<char>());
  // Drop the member and every use of it.
  source = std::regex_replace(source, std::regex(R"(\s*float f_cutoff;[^\n]*)"), "");
  source = std::regex_replace(source, std::regex(R"(spotLights\[i\]\.f_cutoff)"), "0.5");
  std::ofstream(dir / "lighting.vert") << source;
  {
    LightingShader shader((dir / "lighting.vert").string(), "./Shader/blinn_phong.frag");
    SceneRegistry registry;
    for (const SpotLightLocations& at : shader.spotLights) {
      EXPECT_EQ(at.cutoff, -1);
      EXPECT_GE(at.color, 0);
    }
    setupLights(shader, registry, false);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn
