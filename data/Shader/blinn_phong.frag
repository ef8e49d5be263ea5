#version 430 core

// Blinn-Phong lighting: one ambient colour, three attenuated point lights (the first casts soft
// shadows through the depth cube map), four spot lights with a soft-edged cone, normal mapping.

struct AmbientLight {
  vec3 v_color;
};

struct PointLight {
  vec3 v_color;
  vec3 v_position;
  vec3 v_attenuation;  // constant, linear, quadratic
};

struct SpotLight {
  vec3 v_color;
  vec3 v_position;
  vec3 v_attenuation;  // constant, linear, quadratic
  vec3 v_direction;
  float f_cutoff;      // cosine of the cone's half angle
};

const int MAX_POINT_LIGHTS = 3;
const int MAX_SPOT_LIGHTS = 4;

in VertexData {
  vec3 worldPos;
  vec2 uv;
  vec3 normal;
  vec3 tangent;
} inData;

uniform vec3 v_cameraPos;
uniform vec2 v_nearFar;  // near and far plane of the point shadow map; (0, 0) before the first pass

uniform sampler2D i_textureUnit;          // diffuse map, unit 0
uniform sampler2DShadow i_shadowMaptextureUnit;  // spot shadow map, unit 1: never rendered, not read
uniform samplerCube i_shadowMapcubeUnit;  // point shadow cube map, unit 2: distance / far
uniform sampler2D i_normalUnit;           // tangent-space normal map, unit 3

uniform mat4 m_viewProjectionL;  // spot light projection; nothing sets it, not read

uniform float f_matAmbient;
uniform float f_matDiffuse;
uniform float f_matSpecular;
uniform float f_matShininess;
uniform float f_alpha;

uniform int numPointLights;
uniform int numSpotLights;
uniform AmbientLight ambLight;
uniform PointLight pointLights[MAX_POINT_LIGHTS];
uniform SpotLight spotLights[MAX_SPOT_LIGHTS];

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 glowColor;

struct Material {
  float ambient;
  float diffuse;
  float specular;
  float shininess;
};

// Sample directions for filtering the cube map: the corners and edge midpoints of a cube.
const vec3 SHADOW_OFFSETS[20] = vec3[](
    vec3(1, 1, 1), vec3(1, -1, 1), vec3(-1, -1, 1), vec3(-1, 1, 1),
    vec3(1, 1, -1), vec3(1, -1, -1), vec3(-1, -1, -1), vec3(-1, 1, -1),
    vec3(1, 1, 0), vec3(1, -1, 0), vec3(-1, -1, 0), vec3(-1, 1, 0),
    vec3(1, 0, 1), vec3(-1, 0, 1), vec3(1, 0, -1), vec3(-1, 0, -1),
    vec3(0, 1, 1), vec3(0, -1, 1), vec3(0, -1, -1), vec3(0, 1, -1));

// A model without material coefficients would be black; light it as a plain matte surface.
Material material() {
  if (f_matAmbient + f_matDiffuse + f_matSpecular <= 0.0) return Material(1.0, 1.0, 0.0, 1.0);
  return Material(f_matAmbient, f_matDiffuse, f_matSpecular, max(f_matShininess, 1.0));
}

vec3 surfaceNormal() {
  vec3 mapped = texture(i_normalUnit, inData.uv).xyz * 2.0 - 1.0;
  vec3 n = normalize(inData.normal);
  // Imported meshes without a tangent stream carry (1, 1, 1); keep whatever part is usable.
  vec3 t = inData.tangent - n * dot(n, inData.tangent);
  if (dot(t, t) < 1e-8 || mapped.z <= 0.0) return n;
  t = normalize(t);
  return normalize(mat3(t, cross(n, t), n) * mapped);
}

float attenuation(vec3 coefficients, float distance) {
  float denominator = coefficients.x + coefficients.y * distance +
                      coefficients.z * distance * distance;
  return denominator > 0.0 ? 1.0 / denominator : 0.0;
}

// 1 when nothing nearer the light than the given distance lies in that direction, else 0.
float shadowSample(vec3 fromLight, vec3 offset, float distance, float far) {
  return textureLod(i_shadowMapcubeUnit, fromLight + offset, 0.0).r * far < distance ? 0.0 : 1.0;
}

// Share of the light that reaches the point from the first point light (1 lit, 0 shadowed),
// averaged over a small cone of directions that widens with the distance from the camera.
float pointShadow(vec3 n, vec3 toLight) {
  float far = v_nearFar.y;
  if (far <= 0.0) return 1.0;
  vec3 fromLight = inData.worldPos - pointLights[0].v_position;
  float distance = length(fromLight);
  if (distance >= far) return 1.0;
  float spread = 0.015 + 0.02 * length(v_cameraPos - inData.worldPos) / far;
  float radius = spread * distance;
  // Neighbouring samples on a slanted receiver are nearer the light; allow for that slope.
  float cosine = max(dot(n, toLight), 0.05);
  float slope = min(sqrt(1.0 - cosine * cosine) / cosine, 4.0);
  float bias = 0.03 + radius * 1.8 * slope;
  // The eight cube corners first; where they agree the point is wholly lit or wholly shadowed and
  // the other twelve samples cannot change the outcome much.
  float reach = distance - bias;
  float lit = 0.0;
  for (int i = 0; i < 8; ++i) lit += shadowSample(fromLight, SHADOW_OFFSETS[i] * radius, reach, far);
  if (lit == 0.0 || lit == 8.0) return lit / 8.0;
  for (int i = 8; i < 20; ++i) lit += shadowSample(fromLight, SHADOW_OFFSETS[i] * radius, reach, far);
  return lit / 20.0;
}

vec3 shade(vec3 lightColor, vec3 toLight, vec3 n, vec3 view, vec3 albedo, Material m) {
  float diffuse = max(dot(n, toLight), 0.0);
  if (diffuse <= 0.0) return vec3(0.0);
  vec3 halfway = normalize(toLight + view);
  float specular = pow(max(dot(n, halfway), 0.0), m.shininess);
  return lightColor * (albedo * (m.diffuse * diffuse) + vec3(m.specular * specular));
}

void main() {
  Material m = material();
  vec3 albedo = texture(i_textureUnit, inData.uv).rgb;
  vec3 n = surfaceNormal();
  vec3 view = normalize(v_cameraPos - inData.worldPos);

  vec3 color = ambLight.v_color * albedo * m.ambient;

  for (int i = 0; i < min(numPointLights, MAX_POINT_LIGHTS); ++i) {
    vec3 offset = pointLights[i].v_position - inData.worldPos;
    float distance = length(offset);
    vec3 toLight = offset / max(distance, 1e-4);
    vec3 light = shade(pointLights[i].v_color, toLight, n, view, albedo, m) *
                 attenuation(pointLights[i].v_attenuation, distance);
    if (i == 0 && max(light.r, max(light.g, light.b)) > 0.002) light *= pointShadow(n, toLight);
    color += light;
  }

  for (int i = 0; i < min(numSpotLights, MAX_SPOT_LIGHTS); ++i) {
    vec3 axis = spotLights[i].v_direction;
    if (dot(axis, axis) <= 0.0) continue;
    vec3 offset = spotLights[i].v_position - inData.worldPos;
    float distance = length(offset);
    vec3 toLight = offset / max(distance, 1e-4);
    float cutoff = spotLights[i].f_cutoff;
    float edge = max(0.02, 0.15 * (1.0 - cutoff));
    float cone = smoothstep(cutoff, cutoff + edge, dot(-toLight, normalize(axis)));
    color += shade(spotLights[i].v_color, toLight, n, view, albedo, m) *
             attenuation(spotLights[i].v_attenuation, distance) * cone;
  }

  fragColor = vec4(color, f_alpha);
  // What is brighter than the display can show glows: fade in from just below white.
  float luminance = dot(color, vec3(0.2126, 0.7152, 0.0722));
  glowColor = vec4(color * smoothstep(0.85, 1.5, luminance), f_alpha);
}
