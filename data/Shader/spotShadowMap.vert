#version 430 core

// Depth from a spot light: the light's view-projection is the first face matrix.
layout(location = 0) in vec3 position;

uniform mat4 m_viewProjections[6];
uniform mat4 m_model;

void main() { gl_Position = m_viewProjections[0] * m_model * vec4(position, 1.0); }
