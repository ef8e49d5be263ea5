// Lights: both layouts reach the registry and the lighting program's uniforms alike, single-light
// updates touch only their element, bad indices are refused.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>

#include "render/LightSetup.h"
#include "render/ShaderProgram.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"

namespace vorn {
namespace {

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
      {{1, 1, 1}, 16.0f, 4.0f},    // reach 0.5
      {{1, 0.5f, 0}, 1.0f, 0.25f},  // reach 2, by the brightest channel
      {{0.1f, 0.1f, 0.1f}, 1.0f, std::numeric_limits<float>::max()},
  };
  for (const auto& c : cases) {
    const scene::PointLight light("x", c.color, {0, 0, 0}, {1, 0, c.quadratic});
    EXPECT_FLOAT_EQ(derivedValues(light).reachInverseSquared, c.inverseSquared) << c.quadratic;
  }
}

}  // namespace
}  // namespace vorn
