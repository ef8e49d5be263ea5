#pragma once

#include <string>

#include <GL/glew.h>

namespace vorn {

// One linked GLSL program built from its stage files; every failure is a fatal stop.
class ShaderProgram {
 public:
  ShaderProgram(const std::string& vertexPath, const std::string& fragmentPath);
  ShaderProgram(const std::string& vertexPath, const std::string& geometryPath,
                const std::string& fragmentPath);
  ~ShaderProgram();
  ShaderProgram(const ShaderProgram&) = delete;
  ShaderProgram& operator=(const ShaderProgram&) = delete;

  void use() const { glUseProgram(program); }

  GLuint program = 0;
  GLuint vertexShader = 0;
  GLuint geometryShader = 0;
  GLuint fragmentShader = 0;
  bool hasGeometry = false;
};

struct PointLightLocations {
  GLint color = -1;
  GLint position = -1;
  GLint attenuation = -1;
};

struct SpotLightLocations {
  GLint color = -1;
  GLint position = -1;
  GLint attenuation = -1;
  GLint direction = -1;
  GLint cutoff = -1;
};

// The lighting program with every uniform location cached once after linking.
class LightingShader : public ShaderProgram {
 public:
  LightingShader(const std::string& vertexPath, const std::string& fragmentPath);

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
  PointLightLocations pointLights[3];
  SpotLightLocations spotLights[4];
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
