#include "render/ShaderProgram.h"

#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <vector>

#include "base/Fatal.h"
#include "render/ShaderPrelude.h"

namespace vorn {

namespace {

const char* stageName(GLenum type) {
  switch (type) {
    case GL_VERTEX_SHADER:
      return "vertexShader";
    case GL_GEOMETRY_SHADER:
      return "geometryShader";
    default:
      return "fragmentShader";
  }
}

// Regular files only: a directory opens but reads as nothing, and a pipe would block the start.
std::string readSource(const std::string& path) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(path, error))
    fatalStop("ERROR: Failed To Open Shader File " + path);
  std::ifstream file(path);
  if (!file) fatalStop("ERROR: Failed To Open Shader File " + path);
  return std::string(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
}

// Writes the headline and the driver's log, then stops the process.
[[noreturn]] void stopWithLog(const std::string& headline, const std::vector<char>& log) {
  std::cerr << headline << std::endl;
  std::cerr << log.data() << std::endl;
  pauseAndExit();
}

// The log buffer always holds at least the terminating zero, even when the driver reports none.
std::vector<char> logBuffer(GLint length) {
  return std::vector<char>(static_cast<size_t>(length > 0 ? length : 1), '\0');
}

std::string indexedName(const char* prefix, int index, const char* suffix) {
  return prefix + std::to_string(index) + suffix;
}

}  // namespace

ShaderProgram::ShaderProgram(const std::string& vertexPath, const std::string& fragmentPath,
                             const char* interface) {
  createProgram();
  compileStage(vertexPath, GL_VERTEX_SHADER, vertexShader, interface);
  compileStage(fragmentPath, GL_FRAGMENT_SHADER, fragmentShader, interface);
  link();
}

ShaderProgram::ShaderProgram(const std::string& vertexPath, const std::string& geometryPath,
                             const std::string& fragmentPath)
    : hasGeometry(true) {
  createProgram();
  compileStage(vertexPath, GL_VERTEX_SHADER, vertexShader);
  compileStage(geometryPath, GL_GEOMETRY_SHADER, geometryShader);
  compileStage(fragmentPath, GL_FRAGMENT_SHADER, fragmentShader);
  link();
}

ShaderProgram::~ShaderProgram() {
  glDeleteShader(vertexShader);
  if (hasGeometry) glDeleteShader(geometryShader);
  glDeleteShader(fragmentShader);
  glDeleteProgram(program);
}

GLint ShaderProgram::location(const std::string& name) const {
  return glGetUniformLocation(program, name.c_str());
}

void ShaderProgram::createProgram() {
  program = glCreateProgram();
  if (program == 0) fatalStop("ERROR: Could Not Init Shader Program");
}

void ShaderProgram::compileStage(const std::string& path, GLenum type, GLuint& shader,
                                 const char* interface) {
  const std::string source = withPrelude(readSource(path), type, interface);
  shader = glCreateShader(type);
  if (shader == 0) fatalStop("ERROR: Could Not Init Shader");
  const char* text = source.c_str();
  glShaderSource(shader, 1, &text, nullptr);
  glCompileShader(shader);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  if (status != 0 && glIsShader(shader)) return;

  GLint length = 0;
  glGetShaderiv(shader, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log = logBuffer(length);
  glGetShaderInfoLog(shader, static_cast<GLsizei>(log.size()), nullptr, log.data());
  stopWithLog(std::string("ERROR: Failed To Compile Shader: ") + stageName(type), log);
}

void ShaderProgram::link() {
  glAttachShader(program, vertexShader);
  if (hasGeometry) glAttachShader(program, geometryShader);
  glAttachShader(program, fragmentShader);
  glLinkProgram(program);
  GLint status = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (status != 0) return;

  GLint length = 0;
  glGetProgramiv(program, GL_INFO_LOG_LENGTH, &length);
  std::vector<char> log = logBuffer(length);
  glGetProgramInfoLog(program, static_cast<GLsizei>(log.size()), nullptr, log.data());
  stopWithLog("ERROR: Failed To Link Program", log);
}

LightingShader::LightingShader(const std::string& vertexPath, const std::string& fragmentPath)
    : ShaderProgram(vertexPath, fragmentPath, kLightingVaryings) {
  viewProjection = location("m_viewProjection");
  viewProjectionL = location("m_viewProjectionL");
  model = location("m_model");
  cameraPos = location("v_cameraPos");
  nearFar = location("v_nearFar");
  textureUnit = location("i_textureUnit");
  normalUnit = location("i_normalUnit");
  shadowMapTextureUnit = location("i_shadowMaptextureUnit");
  shadowMapCubeUnit = location("i_shadowMapcubeUnit");
  matAmbient = location("f_matAmbient");
  matDiffuse = location("f_matDiffuse");
  matSpecular = location("f_matSpecular");
  matShininess = location("f_matShininess");
  alpha = location("f_alpha");
  numPointLights = location("numPointLights");
  numSpotLights = location("numSpotLights");
  ambientColor = location("ambLight.v_color");
  for (int i = 0; i < kPointLightCount; ++i) {
    pointLights[i].color = location(indexedName("pointLights[", i, "].v_color"));
    pointLights[i].position = location(indexedName("pointLights[", i, "].v_position"));
    pointLights[i].attenuation = location(indexedName("pointLights[", i, "].v_attenuation"));
    pointLights[i].reachInverseSquared =
        location(indexedName("pointLights[", i, "].f_reachInverseSquared"));
  }
  for (int i = 0; i < kSpotLightCount; ++i) {
    spotLights[i].color = location(indexedName("spotLights[", i, "].v_color"));
    spotLights[i].position = location(indexedName("spotLights[", i, "].v_position"));
    spotLights[i].attenuation = location(indexedName("spotLights[", i, "].v_attenuation"));
    spotLights[i].direction = location(indexedName("spotLights[", i, "].v_direction"));
    spotLights[i].cutoff = location(indexedName("spotLights[", i, "].f_cutoff"));
    spotLights[i].reachInverseSquared =
        location(indexedName("spotLights[", i, "].f_reachInverseSquared"));
    spotLights[i].axisInverseLength =
        location(indexedName("spotLights[", i, "].f_axisInverseLength"));
    spotLights[i].coneSharpness = location(indexedName("spotLights[", i, "].f_coneSharpness"));
  }
  createNeutralTexture();
  createShadowSampler();
}

LightingShader::~LightingShader() {
  glDeleteSamplers(1, &shadowSampler);
  glDeleteTextures(1, &neutralTexture);
}

void LightingShader::createNeutralTexture() {
  const unsigned char white[4] = {255, 255, 255, 255};
  GLint previous = 0;
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &previous);
  glGenTextures(1, &neutralTexture);
  glBindTexture(GL_TEXTURE_2D, neutralTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 1, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, white);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(previous));
}

void LightingShader::createShadowSampler() {
  glGenSamplers(1, &shadowSampler);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
  glSamplerParameteri(shadowSampler, GL_TEXTURE_COMPARE_FUNC, GL_LEQUAL);
}

void ShadowShader::cacheLocations() {
  for (int i = 0; i < 6; ++i)
    viewProjections[i] = location(indexedName("m_viewProjections[", i, "]"));
  model = location("m_model");
  lightPos = location("v_lightPos");
  nearFar = location("v_nearFar");
}

ShadowShader::ShadowShader(const std::string& vertexPath, const std::string& fragmentPath)
    : ShaderProgram(vertexPath, fragmentPath) {
  cacheLocations();
}

ShadowShader::ShadowShader(const std::string& vertexPath, const std::string& geometryPath,
                           const std::string& fragmentPath)
    : ShaderProgram(vertexPath, geometryPath, fragmentPath) {
  cacheLocations();
}

PostShader::PostShader(const std::string& vertexPath, const std::string& fragmentPath)
    : ShaderProgram(vertexPath, fragmentPath) {
  textureUnit1 = location("i_textureUnit1");
  textureUnit2 = location("i_textureUnit2");
  horizontal = location("horizontal");
}

}  // namespace vorn
