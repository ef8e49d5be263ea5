// Whatever the file's name, the highlight is Phong's, from the view direction reflected about the
// normal, not Blinn's half vector.
//
// Lighting in linear light: one ambient colour, three point lights (the first casts shadows
// through the depth cube map) and four spot lights that shine down their axis, with normal
// mapping. Every point and spot light fades smoothly to nothing at a finite reach, so a lamp does
// not light the rooms beyond its own. The sum is tone-mapped and encoded to sRGB once, at the end.
//
// The light and material uniforms are read by the vertex stage, which hands on what this stage
// needs (see there why); what follows from a light's own values alone (its reach, a spot light's
// axis length and the sharpness of its cone's edge) is worked out on the CPU whenever the light
// is uploaded. Beyond the reach or outside the cone a light's factors are zero.

// The inputs from the vertex stage, the light counts, SHADOW_MAP_SIZE and the sRGB conversions
// come with the prelude (render/ShaderPrelude.cpp).

uniform sampler2D i_textureUnit;                 // diffuse map in sRGB (alpha: EMISSION), unit 0
uniform sampler2DShadow i_shadowMaptextureUnit;  // spot shadow map, unit 1: never rendered, not read
uniform samplerCubeShadow i_shadowMapcubeUnit;   // point shadow cube map, unit 2: the faces'
                                                 // own depth, compared through the scene pass's
                                                 // sampler
uniform sampler2D i_normalUnit;                  // tangent-space normal map, unit 3

uniform mat4 m_viewProjectionL;  // spot light projection; nothing sets it, not read

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 glowColor;

// Light is scaled by this before tone mapping: a white wall square to a lamp of colour 1 at unit
// attenuation shows at 86% of display white.
const float EXPOSURE = 2.4;
// Light brighter than the display, after exposure, glows in the bloom pass.
const float GLOW_THRESHOLD = 1.5;
// The diffuse map's transparent texels give off light of their own (a lamp's glass): 1 - alpha
// times the texel's colour times this, well above the glow threshold. A surface's opacity comes
// from its material alone.
const float EMISSION = 1.5;
const vec3 LUMINANCE = vec3(0.2126, 0.7152, 0.0722);

// Point shadows. A cube face spans 90 degrees over SHADOW_MAP_SIZE texels: at distance d a texel
// is about 2 d / SHADOW_MAP_SIZE across.
const float SHADOW_TEXEL = 2.0 / SHADOW_MAP_SIZE;
const float SHADOW_NORMAL_OFFSET = 1.5;  // texels along the surface normal
const float SHADOW_KERNEL = 1.5;         // texels: the radius of the lookups across the light's direction
const float SHADOW_DEPTH_BIAS = 0.0005;  // of the far plane

struct Surface {
  vec3 normal;     // normal-mapped
  vec3 reflected;  // the view direction mirrored about the normal
  float shininess;
  float oneMinusShininess;
};

// Reinhard, per channel, rather than an ACES fit: it approaches white without ever reaching it,
// so a lamp however much brighter than the display leaves its pool graded instead of a flat
// patch, and a coloured light keeps its hue as long as the display can show it. ACES fits give
// more contrast in the middle but reach white at a finite brightness (about 7 times display white
// for the usual fit) and clip beyond it.
vec3 toneMap(vec3 c) { return c / (1.0 + c); }

// The tangent frame comes orthonormal from the vertex stage (a zero tangent and bitangent where
// the mesh has none), so only the mapped normal itself needs normalising.
vec3 normalMapped(vec3 n) {
  vec3 mapped = texture(i_normalUnit, uv).xyz * 2.0 - 1.0;
  if (mapped.z <= 0.0) mapped = vec3(0.0, 0.0, 1.0);
  return normalize(surfaceTangent * mapped.x + surfaceBitangent * mapped.y + n * mapped.z);
}

// The way from the surface to a lamp.
struct Ray {
  vec3 offset;  // from the surface to the lamp
  float distanceSquared;
  float inverseDistance;
  float distance;
};

Ray rayAlong(vec3 offset) {
  Ray r;
  r.offset = offset;
  r.distanceSquared = dot(offset, offset);
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
void addLamp(inout Incoming light, vec3 color, Ray r, vec4 falloff, float factor, Surface s) {
  float diffuse = max(dot(s.normal, r.offset), 0.0) * r.inverseDistance;
  // Schlick's rational stand-in for pow(t, shininess), t / q: the same highlight without a power.
  float t = max(dot(s.reflected, r.offset), 0.0) * r.inverseDistance;
  float q = s.shininess + t * s.oneMinusShininess;
  float ratio = r.distanceSquared * falloff.w;
  float window = max(1.0 - ratio * ratio, 0.0);
  float denominator = falloff.x + falloff.y * r.distance + falloff.z * r.distanceSquared;
  // window^2 / denominator, and for the highlight t / q as well, with one division for both.
  float scale = diffuse * factor * window * window / (denominator * q);
  light.diffuse += color * (scale * q);
  light.highlight += color * (scale * t);
}

void addSpotLight(inout Incoming light, int i, Surface s) {
  Ray r = rayAlong(toSpotLight[i].xyz);
  // The cone: full light from a little inside the cut-off angle, none outside it.
  float cone = clamp(toSpotLight[i].w * r.inverseDistance + spotLightColor[i].a, 0.0, 1.0);
  addLamp(light, spotLightColor[i].rgb, r, spotLightFalloff[i], cone * cone, s);
}

// Per-pixel value in [0, 1): neighbouring pixels get unrelated values.
float pixelNoise() {
  return fract(52.9829189 * fract(dot(gl_FragCoord.xy, vec2(0.06711056, 0.00583715))));
}

// Depth as the cube map holds it, each face projection's own, of a point seen from the light:
// from its distance d along the axis of the face its direction falls on, moved towards the light
// by SHADOW_DEPTH_BIAS of the far plane, (1 - near / d) / (1 - near / far).
float mapDepth(vec3 fromLight, float inverseFar) {
  vec3 a = abs(fromLight);
  float d = max(max(a.x, a.y), a.z) - SHADOW_DEPTH_BIAS / inverseFar;
  return (1.0 - SHADOW_NEAR / d) / (1.0 - SHADOW_NEAR * inverseFar);
}

// Share of the first point light that reaches the surface (1 lit, 0 shadowed). The receiver is
// moved off the surface along its normal by a texel or two of the cube map at its distance, which
// keeps a surface from shadowing itself without pushing the shadow away from its caster. The
// sampler compares 2 x 2 texels in hardware; four such lookups on a small disc across the light's
// direction, turned from pixel to pixel, soften an edge over a few texels, so it shows no steps
// where the map's texels fall long and thin across a wall the light grazes, and what is left of
// them turns into fine noise. Each lookup compares its own point's depth, as the disc may reach
// over a face's edge.
float pointShadow(Ray toLight, vec3 geometricNormal) {
  float inverseFar = ambientLight.a;
  float texel = SHADOW_TEXEL * toLight.distance;
  vec3 fromLight = geometricNormal * (SHADOW_NORMAL_OFFSET * texel) - toLight.offset;
  vec3 helper = abs(fromLight.y) < 0.9 * length(fromLight) ? vec3(0.0, 1.0, 0.0) : vec3(1.0, 0.0, 0.0);
  vec3 across = normalize(cross(fromLight, helper));
  vec3 other = normalize(cross(fromLight, across));
  float turn = pixelNoise() * 6.2831853;
  vec2 r = vec2(cos(turn), sin(turn)) * (SHADOW_KERNEL * texel);
  vec3 a = across * r.x + other * r.y;
  vec3 b = (other * r.x - across * r.y) * 0.5;
  vec3 p[4] = vec3[4](fromLight + a, fromLight - a, fromLight + b, fromLight - b);
  float lit = 0.0;
  for (int i = 0; i < 4; ++i)
    lit += texture(i_shadowMapcubeUnit, vec4(p[i], mapDepth(p[i], inverseFar)));
  return inverseFar <= 0.0 || toLight.distance * inverseFar >= 1.0 ? 1.0 : lit * 0.25;
}

void main() {
  vec4 texel = texture(i_textureUnit, uv);
  vec3 albedo = decodeSrgb(texel.rgb);
  Surface s;
  s.normal = normalMapped(surfaceNormal);
  s.reflected = reflect(normalize(fromCamera), s.normal);
  s.shininess = material.z;
  s.oneMinusShininess = 1.0 - s.shininess;

  Incoming light = Incoming(vec3(0.0), vec3(0.0));
  Ray toFirst = rayAlong(toPointLight[0]);
  addLamp(light, pointLightColor[0], toFirst, pointLightFalloff[0],
          pointShadow(toFirst, surfaceNormal), s);
  for (int i = 1; i < MAX_POINT_LIGHTS; ++i)
    addLamp(light, pointLightColor[i], rayAlong(toPointLight[i]), pointLightFalloff[i], 1.0, s);
  for (int i = 0; i < MAX_SPOT_LIGHTS; ++i) addSpotLight(light, i, s);
  vec3 color = albedo * (ambientLight.rgb + (1.0 - texel.a) * EMISSION) +
               albedo * material.x * light.diffuse + material.y * light.highlight;

  vec3 exposed = color * EXPOSURE;
  fragColor = vec4(encodeSrgb(toneMap(exposed)), material.w);
  // What is brighter than the display glows. The 8-bit glow target holds it tone-mapped, so that
  // however bright it is it keeps its colour.
  float luminance = dot(exposed, LUMINANCE);
  vec3 excess = exposed * (max(luminance - GLOW_THRESHOLD, 0.0) / max(luminance, 1e-4));
  glowColor = vec4(toneMap(excess), material.w);
}
