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
  vec3 normal;
  vec3 tangent;
} outData;

// The depth pre-pass computes the same position the same way; both must give the same depth.
invariant gl_Position;

void main() {
  vec4 world = m_model * vec4(position, 1.0);
  // Poses are rigid (rotation and translation only), so the model matrix turns normals too.
  mat3 rotation = mat3(m_model);
  outData.worldPos = world.xyz;
  outData.uv = texCoord;
  outData.normal = rotation * normal;
  outData.tangent = rotation * tangent;
  gl_Position = m_viewProjection * world;
}
