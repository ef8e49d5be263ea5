#pragma once

#include <GL/glew.h>

#include <string>

namespace vorn {

// One linked GLSL program built from its stage files, each compiled after the shared prelude
// (ShaderPrelude.h); every failure is a fatal stop.
class ShaderProgram {
 public:
  // interface: declarations the two stages share (VARYING is "out", then "in"), or nullptr.
  ShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                const char* interface = nullptr);
  ShaderProgram(const std::string& vertexPath, const std::string& geometryPath,
                const std::string& fragmentPath);
  ~ShaderProgram();
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  void use() const { glUseProgram(program); }
  // The linked program's location of a uniform; -1 when it has no such active uniform.
  GLint location(const std::string& name) const;

  GLuint program = 0;
  GLuint vertexShader = 0;
  GLuint geometryShader = 0;
  GLuint fragmentShader = 0;
  bool hasGeometry = false;

 private:
  void createProgram();
  void compileStage(const std::string& path, GLenum type, GLuint& shader,
                    const char* interface = nullptr);
  void link();
};

// A light's own values, then those the uploads derive from them (LightSetup.h).
struct PointLightLocations {
  GLint color = -1;
  GLint position = -1;
  GLint attenuation = -1;
  GLint reachInverseSquared = -1;
};

struct SpotLightLocations {
  GLint color = -1;
  GLint position = -1;
  GLint attenuation = -1;
  GLint direction = -1;
  GLint cutoff = -1;
  GLint reachInverseSquared = -1;
  GLint axisInverseLength = -1;
  GLint coneSharpness = -1;
};

constexpr int kPointLightCount = 3;
constexpr int kSpotLightCount = 4;

// The lighting program with every uniform location cached once after linking.
class LightingShader : public ShaderProgram {
 public:
  LightingShader(const std::string& vertexPath, const std::string& fragmentPath);
  ~LightingShader();

  GLint viewProjection = -1;
  GLint viewProjectionL = -1;
  GLint model = -1;
  GLint cameraPos = -1;
  GLint nearFar = -1;
  GLint textureUnit = -1;
  GLint normalUnit = -1;
  GLint shadowMapTextureUnit = -1;
  GLint shadowMapCubeUnit = -1;
  GLint matAmbient = -1;
  GLint matDiffuse = -1;
  GLint matSpecular = -1;
  GLint matShininess = -1;
  GLint alpha = -1;
  GLint numPointLights = -1;
  GLint numSpotLights = -1;
  GLint ambientColor = -1;
  PointLightLocations pointLights[kPointLightCount];
  SpotLightLocations spotLights[kSpotLightCount];

  // A 1 x 1 white diffuse map. The scene pass binds it to unit 0 before each object, so that a
  // mesh without a diffuse map is lit in its material's plain colour.
  GLuint neutralTexture = 0;
  // Reads the point shadow cube map on unit 2 with hardware depth comparison and 2 x 2 filtering;
  // the scene pass binds it, and the cube map keeps the parameters the shadow map gave it.
  GLuint shadowSampler = 0;

 private:
  void createNeutralTexture();
  void createShadowSampler();
};

// The two shadow programs: six face matrices, the model matrix, the light position, near/far.
class ShadowShader : public ShaderProgram {
 public:
  ShadowShader(const std::string& vertexPath, const std::string& fragmentPath);
  ShadowShader(const std::string& vertexPath, const std::string& geometryPath,
               const std::string& fragmentPath);

  GLint viewProjections[6] = {-1, -1, -1, -1, -1, -1};
  GLint model = -1;
  GLint lightPos = -1;
  GLint nearFar = -1;

 private:
  void cacheLocations();
};

// The blur and composite programs.
class PostShader : public ShaderProgram {
 public:
  PostShader(const std::string& vertexPath, const std::string& fragmentPath);

  GLint textureUnit1 = -1;
  GLint textureUnit2 = -1;
  GLint horizontal = -1;
};

}  // namespace vorn
