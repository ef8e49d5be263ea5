// Shader programs: the game's programs build and find every uniform the game sets; a program
// gives back its stages; a stage that does not compile or a program that does not link stops the
// program with the driver's log. (Missing and empty shader files: test_robust_datadirs.)
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "render/ShaderProgram.h"
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

}  // namespace
}  // namespace vorn
