#version 430 core

// Lighting in linear light: one ambient colour, three point lights (the first casts shadows
// through the depth cube map) and four spot lights that shine down their axis, with normal
// mapping. Every point and spot light fades smoothly to nothing at a finite reach, so a lamp does
// not light the rooms beyond its own. The sum is tone-mapped and encoded to sRGB once, at the end.
//
// What follows from a light's own values alone (its reach, a spot light's axis length and the
// sharpness of its cone's edge) is worked out on the CPU whenever the light is uploaded, and every
// fragment only reads it. Beyond the reach or outside the cone the light's factors are zero. The
// lights are written out one by one rather than looped over, so every uniform is read at a
// constant index.

struct AmbientLight {
  vec3 v_color;
};

struct PointLight {
  vec3 v_color;
  vec3 v_position;
  vec3 v_attenuation;           // constant, linear, quadratic
  float f_reachInverseSquared;  // 1 / reach squared
};

struct SpotLight {
  vec3 v_color;
  vec3 v_position;
  vec3 v_attenuation;  // constant, linear, quadratic
  vec3 v_direction;    // the axis from the lit surface toward the lamp: (0, 1, 0) is a down-light
  float f_cutoff;      // cosine of the cone's half angle
  float f_reachInverseSquared;  // 1 / reach squared
  float f_axisInverseLength;    // 1 / |v_direction|; 0 for a zero axis
  float f_coneSharpness;        // 1 / the width, in cosine, of the cone's soft edge; 0: no cone
};

const int MAX_POINT_LIGHTS = 3;
const int MAX_SPOT_LIGHTS = 4;

in VertexData {
  vec3 worldPos;
  vec2 uv;
  vec3 normal;     // unit at the vertices
  vec3 tangent;    // unit and at right angles to the normal at the vertices, or zero
  vec3 bitangent;  // normal x tangent
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
  float oneMinusShininess;
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

// The tangent frame comes orthonormal from the vertex stage (a zero tangent and bitangent where
// the mesh has none), so only the mapped normal itself needs normalising.
vec3 normalMapped(vec3 n) {
  vec3 mapped = texture(i_normalUnit, inData.uv).xyz * 2.0 - 1.0;
  if (mapped.z <= 0.0) mapped = vec3(0.0, 0.0, 1.0);
  return normalize(inData.tangent * mapped.x + inData.bitangent * mapped.y + n * mapped.z);
}

// The way from the surface to a lamp.
struct Ray {
  vec3 offset;  // from the surface to the lamp
  float distanceSquared;
  float inverseDistance;
  float distance;
};

Ray rayTo(vec3 lampPosition, Surface s) {
  Ray r;
  r.offset = lampPosition - s.position;
  r.distanceSquared = dot(r.offset, r.offset);
  r.inverseDistance = inversesqrt(r.distanceSquared);
  r.distance = r.distanceSquared * r.inverseDistance;
  return r;
}

// Lamp light arriving at the surface, summed over the lamps: the part that its diffuse colour
// reflects, and the part that its highlight reflects, already shaped by the highlight.
struct Incoming {
  vec3 diffuse;
  vec3 highlight;
};

// Adds a lamp of the given colour at the end of the ray, times a factor (its cone, its shadow):
// diffuse and specular light, attenuated, and faded by a window that is 1 at the lamp and falls
// smoothly to exactly 0, with a flat tangent, at the reach.
void addLamp(inout Incoming light, vec3 color, Ray r, float reachInverseSquared, vec3 attenuation,
             float factor, Surface s) {
  float diffuse = max(dot(s.normal, r.offset), 0.0) * r.inverseDistance;
  // Schlick's rational stand-in for pow(t, shininess), t / q: the same highlight without a power.
  float t = max(dot(s.reflected, r.offset), 0.0) * r.inverseDistance;
  float q = s.shininess + t * s.oneMinusShininess;
  float ratio = r.distanceSquared * reachInverseSquared;
  float window = max(1.0 - ratio * ratio, 0.0);
  float denominator =
      attenuation.x + attenuation.y * r.distance + attenuation.z * r.distanceSquared;
  // window^2 / denominator, and for the highlight t / q as well, with one division for both.
  float scale = diffuse * factor * window * window / (denominator * q);
  light.diffuse += color * (scale * q);
  light.highlight += color * (scale * t);
}

void addPointLight(inout Incoming light, int i, Ray r, float shadow, Surface s) {
  addLamp(light, pointLights[i].v_color, r, pointLights[i].f_reachInverseSquared,
          pointLights[i].v_attenuation, shadow, s);
}

void addSpotLight(inout Incoming light, int i, Surface s) {
  Ray r = rayTo(spotLights[i].v_position, s);
  // The cone: full light from a little inside the cut-off angle, none outside it.
  float along = dot(r.offset, spotLights[i].v_direction) *
                (r.inverseDistance * spotLights[i].f_axisInverseLength);
  float cone = clamp((along - spotLights[i].f_cutoff) * spotLights[i].f_coneSharpness, 0.0, 1.0);
  addLamp(light, spotLights[i].v_color, r, spotLights[i].f_reachInverseSquared,
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
float pointShadow(Ray toLight, vec3 geometricNormal) {
  float far = v_nearFar.y;
  float distance = toLight.distance;
  float texel = SHADOW_TEXEL * distance;
  vec3 fromLight = geometricNormal * (SHADOW_NORMAL_OFFSET * texel) - toLight.offset;
  float reference = length(fromLight) / far - SHADOW_DEPTH_BIAS;
  vec3 jitter = (fract(pixelNoise() * vec3(1.0, 7.0, 13.0)) - 0.5) * (2.0 * SHADOW_KERNEL * texel);
  float lit = texture(i_shadowMapcubeUnit, vec4(fromLight + jitter, reference));
  return far <= 0.0 || distance >= far ? 1.0 : lit;
}

// A model without material coefficients would be black; light it as a plain matte surface.
vec4 materialFactors() {
  if (f_matAmbient + f_matDiffuse + f_matSpecular <= 0.0) return vec4(1.0, 1.0, 0.0, 1.0);
  return vec4(f_matAmbient, f_matDiffuse, f_matSpecular, max(f_matShininess, 2.8));
}

void main() {
  vec4 material = materialFactors();  // ambient, diffuse, specular, shininess
  vec3 albedo = decodeSrgb(texture(i_textureUnit, inData.uv).rgb);
  vec3 geometricNormal = inData.normal;
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
  s.oneMinusShininess = 1.0 - s.shininess;

  Incoming light = Incoming(vec3(0.0), vec3(0.0));
  if (numPointLights > 0) {
    Ray r = rayTo(pointLights[0].v_position, s);
    addPointLight(light, 0, r, pointShadow(r, geometricNormal), s);
  }
  if (numPointLights > 1) addPointLight(light, 1, rayTo(pointLights[1].v_position, s), 1.0, s);
  if (numPointLights > 2) addPointLight(light, 2, rayTo(pointLights[2].v_position, s), 1.0, s);
  if (numSpotLights > 0) addSpotLight(light, 0, s);
  if (numSpotLights > 1) addSpotLight(light, 1, s);
  if (numSpotLights > 2) addSpotLight(light, 2, s);
  if (numSpotLights > 3) addSpotLight(light, 3, s);
  vec3 color = ambLight.v_color * (AMBIENT_SHARE * material.x) * albedo +
               s.diffuseColor * light.diffuse + s.specular * light.highlight;

  vec3 exposed = color * EXPOSURE;
  fragColor = vec4(encodeSrgb(toneMap(exposed)), f_alpha);
  // What is brighter than the display glows. The 8-bit glow target holds it tone-mapped, so that
  // however bright it is it keeps its colour.
  float luminance = dot(exposed, LUMINANCE);
  vec3 excess = exposed * (max(luminance - GLOW_THRESHOLD, 0.0) / max(luminance, 1e-4));
  glowColor = vec4(toneMap(excess), f_alpha);
}
