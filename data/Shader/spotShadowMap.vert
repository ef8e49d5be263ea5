// Depth only, through the first face matrix: a spot light's view-projection, or the camera's for
// the scene pass's depth pre-pass. The position is computed as the lighting program computes it,
// so that both give the same depth.
layout(location = 0) in vec3 position;

uniform mat4 m_viewProjections[6];
uniform mat4 m_model;

invariant gl_Position;

void main() { gl_Position = m_viewProjections[0] * (m_model * vec4(position, 1.0)); }
