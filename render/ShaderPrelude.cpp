#include "render/ShaderPrelude.h"

#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"

namespace vorn {

namespace {

constexpr const char* kVersionLine = "#version 430 core\n";

std::string sharedValues(GLenum stage) {
  std::string text;
  text += stage == GL_VERTEX_SHADER ? "#define VARYING out\n" : "#define VARYING in\n";
  text += "const int MAX_POINT_LIGHTS = " + std::to_string(kPointLightCount) + ";\n";
  text += "const int MAX_SPOT_LIGHTS = " + std::to_string(kSpotLightCount) + ";\n";
  text += "const float SHADOW_MAP_SIZE = " + std::to_string(ShadowMapFBO::kSize) + ".0;\n";
  text += "const float SHADOW_NEAR = " + std::to_string(kShadowNear) + ";\n";
  return text;
}

// The texture loading keeps images as stored (sRGB); lighting works in linear light.
constexpr const char* kSrgbHelpers = R"(
// A cubic that follows the sRGB curve to within 0.2% brings a texel to linear light.
vec3 decodeSrgb(vec3 c) { return c * (c * (c * 0.305306011 + 0.682171111) + 0.012522878); }
// The inverse, to within 0.1%, from square roots instead of a power.
vec3 encodeSrgb(vec3 c) {
  vec3 s1 = sqrt(c);
  vec3 s2 = sqrt(s1);
  vec3 s3 = sqrt(s2);
  return 0.662002687 * s1 + 0.684122060 * s2 - 0.323583601 * s3 - 0.0225411470 * c;
}
)";

}  // namespace

const char* const kLightingVaryings = R"(
VARYING vec2 uv;
VARYING vec3 surfaceNormal;     // unit at the vertices
VARYING vec3 surfaceTangent;    // unit and at right angles to the normal at the vertices, or zero
                                // where the mesh has none
VARYING vec3 surfaceBitangent;  // normal x tangent
VARYING vec3 fromCamera;
VARYING vec3 toPointLight[MAX_POINT_LIGHTS];
VARYING vec4 toSpotLight[MAX_SPOT_LIGHTS];  // xyz: to the lamp; w: along its axis, times the
                                            // sharpness
flat VARYING vec4 ambientLight;  // rgb: the ambient light the surface reflects; a: 1 / the point
                                 // shadow map's far plane, 0 while there is no shadow map
flat VARYING vec4 material;      // diffuse and specular factor, highlight exponent, alpha
flat VARYING vec3 pointLightColor[MAX_POINT_LIGHTS];
flat VARYING vec4 pointLightFalloff[MAX_POINT_LIGHTS];  // attenuation, 1 / reach squared
flat VARYING vec4 spotLightColor[MAX_SPOT_LIGHTS];      // rgb; a: -cutoff times the sharpness
flat VARYING vec4 spotLightFalloff[MAX_SPOT_LIGHTS];    // attenuation, 1 / reach squared
)";

std::string withPrelude(const std::string& source, GLenum stage, const char* interface) {
  if (source.empty()) return source;
  std::string version = kVersionLine;
  std::string body = source;
  int firstLine = 1;
  if (source.compare(0, 8, "#version") == 0) {
    const std::size_t end = source.find('\n');
    version = end == std::string::npos ? source + "\n" : source.substr(0, end + 1);
    body = end == std::string::npos ? "" : source.substr(end + 1);
    firstLine = 2;
  }
  return version + sharedValues(stage) + kSrgbHelpers + (interface ? interface : "") + "#line " +
         std::to_string(firstLine) + "\n" + body;
}

}  // namespace vorn
