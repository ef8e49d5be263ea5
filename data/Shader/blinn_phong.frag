#version 430 core

// Lighting in linear light: one ambient colour, three point lights (the first casts shadows
// through the depth cube map) and four spot lights that shine down their axis, with normal
// mapping. Every point and spot light fades smoothly to nothing at a finite reach, so a lamp does
// not light the rooms beyond its own. The sum is tone-mapped and encoded to sRGB once, at the end.
//
// Each light first tests its reach (and a spot light its cone) and skips the rest of its work
// where that is zero. The lights are written out one by one rather than looped over, so every
// uniform is read at a constant index.

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
  vec3 v_direction;    // the axis from the lit surface toward the lamp: (0, 1, 0) is a down-light
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

uniform sampler2D i_textureUnit;                 // diffuse map in sRGB, unit 0
uniform sampler2DShadow i_shadowMaptextureUnit;  // spot shadow map, unit 1: never rendered, not read
uniform samplerCubeShadow i_shadowMapcubeUnit;   // point shadow cube map, unit 2: distance / far,
                                                 // compared through the scene pass's sampler
uniform sampler2D i_normalUnit;                  // tangent-space normal map, unit 3

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

// Light is scaled by this before tone mapping: a white wall square to a lamp of colour 1 at unit
// attenuation shows at 86% of display white.
const float EXPOSURE = 2.4;
// Share of the ambient colour that lights every surface: enough for a room without a lamp of its
// own to read, little enough that the lamps still model the room.
const float AMBIENT_SHARE = 0.5;
// A lamp reaches as far as its light, before exposure and the window that fades it out, stays
// above this; no light reaches further than MAX_REACH, the point shadow map's far plane.
const float REACH_CUTOFF = 0.2;
const float MAX_REACH = 20.0;
// Light brighter than the display, after exposure, glows in the bloom pass.
const float GLOW_THRESHOLD = 1.5;
const vec3 LUMINANCE = vec3(0.2126, 0.7152, 0.0722);

// Point shadows. A cube face spans 90 degrees over 512 texels: at distance d a texel is about
// 2 d / 512 across.
const float SHADOW_TEXEL = 2.0 / 512.0;
const float SHADOW_NORMAL_OFFSET = 1.5;  // texels along the surface normal
const float SHADOW_KERNEL = 1.0;         // texels of per-pixel jitter across the light's direction
const float SHADOW_DEPTH_BIAS = 0.0005;  // of the far plane

struct Surface {
  vec3 position;
  vec3 normal;     // normal-mapped
  vec3 reflected;  // the view direction mirrored about the normal
  vec3 diffuseColor;
  float specular;
  float shininess;
};

// The texture loading keeps images as stored (sRGB); a cubic that follows the sRGB curve to within
// 0.2% brings a texel to linear light.
vec3 decodeSrgb(vec3 c) { return c * (c * (c * 0.305306011 + 0.682171111) + 0.012522878); }

// The inverse, to within 0.1%, from square roots instead of a power.
vec3 encodeSrgb(vec3 c) {
  vec3 s1 = sqrt(c);
  vec3 s2 = sqrt(s1);
  vec3 s3 = sqrt(s2);
  return 0.662002687 * s1 + 0.684122060 * s2 - 0.323583601 * s3 - 0.0225411470 * c;
}

// Reinhard, per channel, rather than an ACES fit: it approaches white without ever reaching it,
// so a lamp however much brighter than the display leaves its pool graded instead of a flat
// patch, and a coloured light keeps its hue as long as the display can show it. ACES fits give
// more contrast in the middle but reach white at a finite brightness (about 7 times display white
// for the usual fit) and clip beyond it.
vec3 toneMap(vec3 c) { return c / (1.0 + c); }

vec3 normalMapped(vec3 n) {
  vec3 mapped = texture(i_normalUnit, inData.uv).xyz * 2.0 - 1.0;
  // Imported meshes without a tangent stream carry (1, 1, 1); keep whatever part is usable.
  vec3 t = inData.tangent - n * dot(n, inData.tangent);
  if (dot(t, t) < 1e-8 || mapped.z <= 0.0) return n;
  return normalize(mat3(normalize(t), cross(n, normalize(t)), n) * mapped);
}

// Distance at which a light of this colour and attenuation falls to REACH_CUTOFF.
float reach(vec3 color, vec3 attenuation) {
  float strength = max(color.r, max(color.g, color.b)) / REACH_CUTOFF;
  float c = attenuation.x - strength, l = attenuation.y, q = attenuation.z;
  if (c >= 0.0) return 0.0;  // too faint to count anywhere
  if (q > 0.0) return min((sqrt(l * l - 4.0 * q * c) - l) / (2.0 * q), MAX_REACH);
  return l > 0.0 ? min(-c / l, MAX_REACH) : MAX_REACH;
}

// Light of colour 1 reaching the surface from a lamp at the given offset, times the cone factor:
// diffuse and specular, attenuated, and faded by a window that is 1 at the lamp and falls
// smoothly to exactly 0, with a flat tangent, at the reach.
vec3 lamp(vec3 offset, float distanceSquared, float reachSquared, vec3 attenuation, float cone,
          Surface s) {
  float inverseDistance = inversesqrt(distanceSquared);
  vec3 toLight = offset * inverseDistance;
  float diffuse = max(dot(s.normal, toLight), 0.0);
  // Schlick's rational stand-in for pow(t, shininess): the same highlight without a power.
  float t = max(dot(s.reflected, toLight), 0.0);
  float specular = t / (s.shininess - s.shininess * t + t);
  float ratio = distanceSquared / reachSquared;
  float window = clamp(1.0 - ratio * ratio, 0.0, 1.0);
  float denominator = attenuation.x + attenuation.y * distanceSquared * inverseDistance +
                      attenuation.z * distanceSquared;
  float falloff = window * window / denominator;
  return (diffuse * cone * falloff) * (s.diffuseColor + vec3(s.specular * specular));
}

vec3 pointLight(int i, Surface s) {
  float lightReach = reach(pointLights[i].v_color, pointLights[i].v_attenuation);
  vec3 offset = pointLights[i].v_position - s.position;
  float distanceSquared = dot(offset, offset);
  if (distanceSquared >= lightReach * lightReach) return vec3(0.0);
  return pointLights[i].v_color * lamp(offset, distanceSquared, lightReach * lightReach,
                                       pointLights[i].v_attenuation, 1.0, s);
}

vec3 spotLight(int i, Surface s) {
  float lightReach = reach(spotLights[i].v_color, spotLights[i].v_attenuation);
  vec3 offset = spotLights[i].v_position - s.position;
  float distanceSquared = dot(offset, offset);
  vec3 axis = spotLights[i].v_direction;
  if (distanceSquared >= lightReach * lightReach || dot(axis, axis) <= 0.0) return vec3(0.0);
  // The cone: full light from a little inside the cut-off angle, none outside it.
  float cutoff = spotLights[i].f_cutoff;
  float along = dot(offset, normalize(axis)) * inversesqrt(distanceSquared);
  float cone = clamp((along - cutoff) / max(0.02, 0.15 * (1.0 - cutoff)), 0.0, 1.0);
  if (cone <= 0.0) return vec3(0.0);
  return spotLights[i].v_color * lamp(offset, distanceSquared, lightReach * lightReach,
                                      spotLights[i].v_attenuation, cone * cone, s);
}

// Per-pixel value in [0, 1): neighbouring pixels get unrelated values.
float pixelNoise() {
  return fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
}

// Share of the first point light that reaches the surface (1 lit, 0 shadowed). The receiver is
// moved off the surface along its normal by a texel or two of the cube map at its distance, which
// keeps a surface from shadowing itself without pushing the shadow away from its caster. The
// sampler compares 2 x 2 texels in hardware; a jitter of a texel that changes from pixel to pixel
// turns the steps of the map into fine noise.
float pointShadow(vec3 geometricNormal) {
  float far = v_nearFar.y;
  vec3 fromLight = inData.worldPos - pointLights[0].v_position;
  float distance = length(fromLight);
  if (far <= 0.0 || distance >= far) return 1.0;
  float texel = SHADOW_TEXEL * distance;
  fromLight += geometricNormal * (SHADOW_NORMAL_OFFSET * texel);
  float reference = length(fromLight) / far - SHADOW_DEPTH_BIAS;
  vec3 jitter = (fract(pixelNoise() * vec3(1.0, 7.0, 13.0)) - 0.5) * (2.0 * SHADOW_KERNEL * texel);
  return texture(i_shadowMapcubeUnit, vec4(fromLight + jitter, reference));
}

// A model without material coefficients would be black; light it as a plain matte surface.
vec4 materialFactors() {
  if (f_matAmbient + f_matDiffuse + f_matSpecular <= 0.0) return vec4(1.0, 1.0, 0.0, 1.0);
  return vec4(f_matAmbient, f_matDiffuse, f_matSpecular, max(f_matShininess, 2.8));
}

void main() {
  vec4 material = materialFactors();  // ambient, diffuse, specular, shininess
  vec3 albedo = decodeSrgb(texture(i_textureUnit, inData.uv).rgb);
  vec3 geometricNormal = normalize(inData.normal);
  Surface s;
  s.position = inData.worldPos;
  s.normal = normalMapped(geometricNormal);
  s.reflected = reflect(normalize(inData.worldPos - v_cameraPos), s.normal);
  s.diffuseColor = albedo * material.y;
  s.specular = material.z;
  // The material's exponent is Blinn's (the halfway vector). About the mirrored view direction
  // the same highlight takes a quarter of it, and the rational stand-in for the power 1.44 times
  // that (equal width at half height).
  s.shininess = 0.36 * material.w;

  vec3 color = ambLight.v_color * (AMBIENT_SHARE * material.x) * albedo;
  if (numPointLights > 0) color += pointLight(0, s) * pointShadow(geometricNormal);
  if (numPointLights > 1) color += pointLight(1, s);
  if (numPointLights > 2) color += pointLight(2, s);
  if (numSpotLights > 0) color += spotLight(0, s);
  if (numSpotLights > 1) color += spotLight(1, s);
  if (numSpotLights > 2) color += spotLight(2, s);
  if (numSpotLights > 3) color += spotLight(3, s);

  vec3 exposed = color * EXPOSURE;
  fragColor = vec4(encodeSrgb(toneMap(exposed)), f_alpha);
  // What is brighter than the display glows. The 8-bit glow target holds it tone-mapped, so that
  // however bright it is it keeps its colour.
  float luminance = dot(exposed, LUMINANCE);
  vec3 excess = exposed * (max(luminance - GLOW_THRESHOLD, 0.0) / max(luminance, 1e-4));
  glowColor = vec4(toneMap(excess), f_alpha);
}
