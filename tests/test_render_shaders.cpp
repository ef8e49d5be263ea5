// Shader programs: building the five programs from Shader/, the fatal stops, cached locations.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "render/ShaderProgram.h"
#include "support/GlContext.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;

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

const char* kBroken = "#version 430 core\nvoid main() { this is not glsl }\n";

// Stage files written for one test. The directory is named after the test, so that the child
// process of a death test (which runs the test again) writes and names the same paths.
class ShaderFiles {
 public:
  ShaderFiles() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    dir = fs::temp_directory_path() /
          (std::string("render_shaders_") + info->test_suite_name() + "_" + info->name());
    fs::create_directories(dir);
  }
  ~ShaderFiles() { fs::remove_all(dir); }

  std::string write(const std::string& name, const std::string& text) {
    const fs::path path = dir / name;
    std::ofstream(path) << text;
    return path.string();
  }
  std::string path(const std::string& name) const { return (dir / name).string(); }

 private:
  fs::path dir;
};

using RenderShaderTest = test::GlTest;

TEST_F(RenderShaderTest, GameProgramsBuildAndExposeTheirUniforms) {
  const LightingShader lighting("./Shader/blinn_phong.vert", "./Shader/blinn_phong.frag");
  EXPECT_GE(lighting.viewProjection, 0);
  EXPECT_GE(lighting.model, 0);
  EXPECT_GE(lighting.cameraPos, 0);
  EXPECT_GE(lighting.nearFar, 0);
  EXPECT_GE(lighting.textureUnit, 0);
  EXPECT_GE(lighting.normalUnit, 0);
  EXPECT_GE(lighting.shadowMapCubeUnit, 0);
  EXPECT_GE(lighting.matAmbient, 0);
  EXPECT_GE(lighting.matDiffuse, 0);
  EXPECT_GE(lighting.matSpecular, 0);
  EXPECT_GE(lighting.matShininess, 0);
  EXPECT_GE(lighting.alpha, 0);
  EXPECT_GE(lighting.numPointLights, 0);
  EXPECT_GE(lighting.numSpotLights, 0);
  EXPECT_GE(lighting.ambientColor, 0);
  for (const PointLightLocations& at : lighting.pointLights) {
    EXPECT_GE(at.color, 0);
    EXPECT_GE(at.position, 0);
    EXPECT_GE(at.attenuation, 0);
    EXPECT_GE(at.reachInverseSquared, 0);
  }
  for (const SpotLightLocations& at : lighting.spotLights) {
    EXPECT_GE(at.color, 0);
    EXPECT_GE(at.position, 0);
    EXPECT_GE(at.attenuation, 0);
    EXPECT_GE(at.direction, 0);
    EXPECT_GE(at.cutoff, 0);
    EXPECT_GE(at.reachInverseSquared, 0);
    EXPECT_GE(at.axisInverseLength, 0);
    EXPECT_GE(at.coneSharpness, 0);
  }
  EXPECT_FALSE(lighting.hasGeometry);

  const ShadowShader point("./Shader/pointShadowMap.vert", "./Shader/pointShadowMap.geom",
                           "./Shader/pointShadowMap.frag");
  EXPECT_TRUE(point.hasGeometry);
  EXPECT_NE(point.geometryShader, 0u);
  for (GLint at : point.viewProjections) EXPECT_GE(at, 0);
  EXPECT_GE(point.model, 0);
  EXPECT_GE(point.lightPos, 0);
  EXPECT_GE(point.nearFar, 0);

  const ShadowShader spot("./Shader/spotShadowMap.vert", "./Shader/spotShadowMap.frag");
  EXPECT_FALSE(spot.hasGeometry);
  EXPECT_EQ(spot.geometryShader, 0u);
  EXPECT_GE(spot.model, 0);

  const PostShader blur("./Shader/texture.vert", "./Shader/gauss.frag");
  EXPECT_GE(blur.textureUnit1, 0);
  EXPECT_GE(blur.horizontal, 0);
  EXPECT_EQ(blur.textureUnit2, -1);  // optional: the blur reads one texture

  const PostShader composite("./Shader/texture.vert", "./Shader/texture.frag");
  EXPECT_GE(composite.textureUnit1, 0);
  EXPECT_GE(composite.textureUnit2, 0);
  EXPECT_EQ(composite.horizontal, -1);  // optional: only the blur has a direction

  // Each program compiled its own copy of the shared vertex stage.
  EXPECT_NE(blur.vertexShader, composite.vertexShader);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RenderShaderTest, DestructionReleasesProgramAndStages) {
  ShaderFiles files;
  GLuint program, vertex, geometry, fragment;
  {
    const ShaderProgram shader(files.write("a.vert", kVertex), files.write("a.geom", kGeometry),
                               files.write("a.frag", kFragment));
    program = shader.program;
    vertex = shader.vertexShader;
    geometry = shader.geometryShader;
    fragment = shader.fragmentShader;
    EXPECT_TRUE(glIsProgram(program));
    EXPECT_TRUE(glIsShader(geometry));
  }
  EXPECT_FALSE(glIsProgram(program));
  EXPECT_FALSE(glIsShader(vertex));
  EXPECT_FALSE(glIsShader(geometry));
  EXPECT_FALSE(glIsShader(fragment));
}

TEST_F(RenderShaderTest, MissingUniformsHaveLocationMinusOne) {
  ShaderFiles files;
  const PostShader post(files.write("a.vert", kVertex), files.write("a.frag", kFragment));
  EXPECT_EQ(post.textureUnit1, -1);
  EXPECT_EQ(post.textureUnit2, -1);
  EXPECT_EQ(post.horizontal, -1);
  post.use();
  glUniform1i(post.horizontal, 1);  // an upload to -1 is silently ignored
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
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

TEST(RenderShaderDeathTest, MissingStageFileStopsWithItsFullPath) {
  ShaderFiles files;
  const std::string vertex = files.write("a.vert", kVertex);
  const std::string fragment = files.write("a.frag", kFragment);
  const std::string missing = files.path("missing.geom");
  EXPECT_EXIT(buildThreeStage(vertex, missing, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Open Shader File " + missing);
}

TEST(RenderShaderDeathTest, CompileErrorNamesTheStage) {
  ShaderFiles files;
  const std::string vertex = files.write("a.vert", kVertex);
  const std::string fragment = files.write("a.frag", kFragment);
  const std::string broken = files.write("broken.glsl", kBroken);
  EXPECT_EXIT(buildTwoStage(broken, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: vertexShader\n.+");
  EXPECT_EXIT(buildThreeStage(vertex, broken, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: geometryShader\n.+");
  EXPECT_EXIT(buildTwoStage(vertex, broken), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Compile Shader: fragmentShader\n.+");
}

TEST(RenderShaderDeathTest, LinkErrorStopsWithTheProgramLog) {
  ShaderFiles files;
  const std::string vertex = files.write("a.vert", kVertex);
  // Reads a value that no earlier stage writes: each stage compiles, the program cannot link.
  const std::string fragment = files.write("a.frag", R"(#version 430 core
in vec3 neverWritten;
out vec4 color;
void main() { color = vec4(neverWritten, 1.0); }
)");
  EXPECT_EXIT(buildTwoStage(vertex, fragment), ::testing::ExitedWithCode(1),
              "ERROR: Failed To Link Program\n.+");
}

TEST(RenderShaderDeathTest, EmptyStageFileStopsWithTheDriversComplaint) {
  ShaderFiles files;
  const std::string vertex = files.write("a.vert", kVertex);
  const std::string empty = files.write("empty.frag", "");
  EXPECT_EXIT(buildTwoStage(vertex, empty), ::testing::ExitedWithCode(1),
              "ERROR: Failed To (Compile Shader: fragmentShader|Link Program)\n");
}

}  // namespace
}  // namespace vorn
