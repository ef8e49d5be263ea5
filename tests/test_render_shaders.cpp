// Shader programs: the game's programs build and find every uniform the game sets; a program
// gives back its stages; a stage that does not compile or a program that does not link stops the
// program with the driver's log (missing and empty shader files: test_robust_datadirs). Lights:
// both layouts reach the registry and the lighting program's uniforms alike, single-light updates
// touch only their element, bad indices are refused.
#include <algorithm>
#include <iterator>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/LightSetup.h"
#include "render/ShaderProgram.h"
#include "scene/SceneRegistry.h"
#include "support/GlContext.h"
#include "support/ScratchDirectory.h"

namespace vorn {
namespace {

const char* kVertex = "#version 430 core\nlayout(location = 0) in vec3 p;\n"
                      "void main() { gl_Position = vec4(p, 1); }\n";
const char* kGeometry =
    "#version 430 core\nlayout(triangles) in;\nlayout(triangle_strip, max_vertices = 3) out;\n"
    "void main() { for (int i = 0; i < 3; ++i) {\n"
    "  gl_Position = gl_in[i].gl_Position; EmitVertex(); } }\n";
const char* kFragment = "#version 430 core\nout vec4 c;\nvoid main() { c = vec4(1); }\n";

using RenderShaderTest = test::GlTest;

// A name changed on one side only would leave the game's uploads silently ignored.
TEST_F(RenderShaderTest, GameProgramsBuildAndFindEveryUniformTheGameSets) {
  const LightingShader l("./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag");
  std::vector<GLint> found = {l.viewProjection, l.model,       l.cameraPos,     l.nearFar,
                              l.textureUnit,    l.normalUnit,  l.shadowMapCubeUnit,
                              l.matAmbient,     l.matDiffuse,  l.matSpecular,   l.matShininess,
                              l.alpha,          l.numPointLights, l.numSpotLights, l.ambientColor};
  for (const PointLightLocations& at : l.pointLights)
    found.insert(found.end(), {at.color, at.position, at.attenuation, at.reachInverseSquared});
  for (const SpotLightLocations& at : l.spotLights)
    found.insert(found.end(), {at.color, at.position, at.attenuation, at.direction, at.cutoff,
                               at.reachInverseSquared, at.axisInverseLength, at.coneSharpness});
  const ShadowShader point("./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag");
  found.insert(found.end(), std::begin(point.viewProjections), std::end(point.viewProjections));
  const ShadowShader spot("./Shader/spotShadowMap.vert", "./Shader/spotShadowMap.frag");
  const PostShader blur("./Shader/texture.vert", "./Shader/gauss.frag");
  const PostShader composite("./Shader/texture.vert", "./Shader/texture.frag");
  found.insert(found.end(), {point.model, point.lightPos, point.nearFar, spot.model,
                             blur.textureUnit1, blur.horizontal, composite.textureUnit1,
                             composite.textureUnit2});
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
