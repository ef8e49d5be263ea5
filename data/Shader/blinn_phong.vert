#version 430 core

// Scene geometry: the four vertex streams of an imported mesh.
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 texCoord;
layout(location = 2) in vec3 normal;
layout(location = 3) in vec3 tangent;

uniform mat4 m_viewProjection;
uniform mat4 m_model;

out VertexData {
  vec3 worldPos;
  vec2 uv;
  vec3 normal;     // unit
  vec3 tangent;    // unit and at right angles to the normal, or zero where the mesh has none
  vec3 bitangent;  // normal x tangent
} outData;

// The depth pre-pass computes the same position the same way; both must give the same depth.
invariant gl_Position;

void main() {
  vec4 world = m_model * vec4(position, 1.0);
  // Poses are rigid (rotation and translation only), so the model matrix turns normals too.
  mat3 rotation = mat3(m_model);
  outData.worldPos = world.xyz;
  outData.uv = texCoord;
  vec3 n = normalize(rotation * normal);
  // Imported meshes without a tangent stream carry (1, 1, 1); keep whatever part is usable.
  vec3 t = rotation * tangent;
  t -= n * dot(n, t);
  t = dot(t, t) < 1e-8 ? vec3(0.0) : normalize(t);
  outData.normal = n;
  outData.tangent = t;
  outData.bitangent = cross(n, t);
  gl_Position = m_viewProjection * world;
}
