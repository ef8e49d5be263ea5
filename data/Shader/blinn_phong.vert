// Scene geometry, and everything the lighting needs that is the same over a whole draw or that
// changes linearly across a triangle.
//
// The lighting program reads its uniforms here, once per vertex, and not in the fragment stage:
// Mesa's llvmpipe, on which the game is measured and tested, reads a fragment-stage uniform
// separately for every pixel of a group, as a bounds-checked load (it cannot count on the group's
// first pixel being live), at several times the cost of an interpolated input. So the fragment
// stage gets
// - the offset from the surface to each lamp, the offset from the camera and a spot light's
//   distance along its axis, which are linear in the position and so interpolate exactly;
// - each light's colour, attenuation, reach and cone, the material and the ambient light as flat
//   inputs, the same at every vertex of a draw.
// That is 100 output components, within the 128 that desktop drivers offer.
// A light beyond the count in numPointLights or numSpotLights gets colour 0: it adds nothing.

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
  vec3 v_attenuation;           // constant, linear, quadratic
  vec3 v_direction;             // the axis from the lit surface toward the lamp: (0, 1, 0) is a
                                // down-light
  float f_cutoff;               // cosine of the cone's half angle
  float f_reachInverseSquared;  // 1 / reach squared
  float f_axisInverseLength;    // 1 / |v_direction|; 0 for a zero axis
  float f_coneSharpness;        // 1 / the width, in cosine, of the cone's soft edge; 0: no cone
};

// Share of the ambient colour that lights every surface: enough for a room without a lamp of its
// own to read, little enough that the lamps still model the room.
const float AMBIENT_SHARE = 0.5;

layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;
layout(location = 3) in vec3 tangent;

uniform mat4 m_viewProjection;
uniform mat4 m_model;
uniform vec3 v_cameraPos;
uniform vec2 v_nearFar;  // near and far plane of the point shadow map; (0, 0) before the first pass

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

// The outputs to the fragment stage, and MAX_POINT_LIGHTS and MAX_SPOT_LIGHTS, come with the
// prelude (render/ShaderPrelude.cpp).

// The depth pre-pass computes the same position the same way; both must give the same depth.
invariant gl_Position;

// A model without material coefficients would be black; light it as a plain matte surface.
vec4 materialFactors() {
  if (f_matAmbient + f_matDiffuse + f_matSpecular <= 0.0) return vec4(1.0, 1.0, 0.0, 1.0);
  return vec4(f_matAmbient, f_matDiffuse, f_matSpecular, max(f_matShininess, 2.8));
}

void main() {
  vec4 world = m_model * vec4(position, 1.0);
  // Poses are rigid (rotation and translation only), so the model matrix turns normals too.
  mat3 rotation = mat3(m_model);
  uv = texCoord;
  vec3 n = normalize(rotation * normal);
  // Imported meshes without a tangent stream carry (1, 1, 1); keep whatever part is usable.
  vec3 t = rotation * tangent;
  t -= n * dot(n, t);
  t = dot(t, t) < 1e-8 ? vec3(0.0) : normalize(t);
  surfaceNormal = n;
  surfaceTangent = t;
  surfaceBitangent = cross(n, t);
  fromCamera = world.xyz - v_cameraPos;

  vec4 factors = materialFactors();  // ambient, diffuse, specular, shininess
  float far = v_nearFar.y;
  ambientLight = vec4(ambLight.v_color * (AMBIENT_SHARE * factors.x), far > 0.0 ? 1.0 / far : 0.0);
  // The material's exponent is Blinn's (the halfway vector). About the mirrored view direction
  // the same highlight takes a quarter of it, and the rational stand-in for the power that the
  // fragment stage uses 1.44 times that (equal width at half height).
  material = vec4(factors.y, factors.z, 0.36 * factors.w, f_alpha);

  for (int i = 0; i < MAX_POINT_LIGHTS; ++i) {
    toPointLight[i] = pointLights[i].v_position - world.xyz;
    pointLightColor[i] = i < numPointLights ? pointLights[i].v_color : vec3(0.0);
    pointLightFalloff[i] =
        vec4(pointLights[i].v_attenuation, pointLights[i].f_reachInverseSquared);
  }
  for (int i = 0; i < MAX_SPOT_LIGHTS; ++i) {
    vec3 offset = spotLights[i].v_position - world.xyz;
    float sharpness = spotLights[i].f_coneSharpness;
    toSpotLight[i] = vec4(offset, dot(offset, spotLights[i].v_direction) *
                                      (spotLights[i].f_axisInverseLength * sharpness));
    spotLightColor[i] = vec4(i < numSpotLights ? spotLights[i].v_color : vec3(0.0),
                             -spotLights[i].f_cutoff * sharpness);
    spotLightFalloff[i] = vec4(spotLights[i].v_attenuation, spotLights[i].f_reachInverseSquared);
  }
  gl_Position = m_viewProjection * world;
}
