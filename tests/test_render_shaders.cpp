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

const char* kVertex = R"(#version 430 core
layout(location = 0) in vec3 position;
void main() { gl_Position = vec4(position, 1.0); }
)";

const char* kGeometry = R"(#version 430 core
layout(triangles) in;
layout(triangle_strip, max_vertices = 3) out;
void main() {
  for (int i = 0; i < 3; ++i) { gl_Position = gl_in[i].gl_Position; EmitVertex(); }
  EndPrimitive();
}
)";

const char* kFragment = R"(#version 430 core
out vec4 color;
void main() { color = vec4(1.0); }
)";

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
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderShaderTest, DestructionReleasesProgramAndStages) {
  test::ScratchDirectory files("shaders");
  GLuint names[4];
  {
    const ShaderProgram shader(files.write("a.vert", kVertex), files.write("a.geom", kGeometry),
                               files.write("a.frag", kFragment));
    names[0] = shader.program, names[1] = shader.vertexShader;
    names[2] = shader.geometryShader, names[3] = shader.fragmentShader;
    EXPECT_TRUE(glIsProgram(names[0]));
    EXPECT_TRUE(glIsShader(names[2]));
  }
  EXPECT_FALSE(glIsProgram(names[0]));
  for (int i = 1; i < 4; ++i) EXPECT_FALSE(glIsShader(names[i])) << i;
}

// The fatal stops run in a child process that builds its own context.
void buildTwoStage(const std::string& vertex, const std::string& fragment) {
  test::GlContext context;
  ShaderProgram program(vertex, fragment);
}

void buildThreeStage(const std::string& vertex, const std::string& geometry,
                     const std::string& fragment) {
  test::GlContext context;
  ShaderProgram program(vertex, geometry, fragment);
}

TEST(RenderShaderDeathTest, CompileErrorNamesTheStageAndLinkErrorStops) {
  test::ScratchDirectory files("shaders");
  const std::string vertex = files.write("a.vert", kVertex);
  const std::string fragment = files.write("a.frag", kFragment);
  const std::string broken =
      files.write("broken.glsl", "#version 430 core\nvoid main() { this is not glsl }\n");
  EXPECT_EXIT(buildTwoStage(broken, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: vertexShader\n.+");
  EXPECT_EXIT(buildThreeStage(vertex, broken, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: geometryShader\n.+");
  EXPECT_EXIT(buildTwoStage(vertex, broken), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: fragmentShader\n.+");
  // Reads a value that no earlier stage writes: each stage compiles, the program cannot link.
  const std::string unlinked = files.write("unlinked.frag", R"(#version 430 core
in vec3 neverWritten;
out vec4 color;
void main() { color = vec4(neverWritten, 1.0); }
)");
  EXPECT_EXIT(buildTwoStage(vertex, unlinked), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Link Program\n.+");
}

}  // namespace
}  // namespace vorn
