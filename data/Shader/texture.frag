#version 430 core

// Composite: the lit scene with its blurred glow added on top.
in vec2 uv;

uniform sampler2D i_textureUnit1;  // scene
uniform sampler2D i_textureUnit2;  // blurred glow

layout(location = 0) out vec4 fragColor;

const float GLOW_STRENGTH = 1.2;

void main() {
  vec3 scene = texture(i_textureUnit1, uv).rgb;
  vec3 glow = texture(i_textureUnit2, uv).rgb;
  fragColor = vec4(scene + GLOW_STRENGTH * glow, 1.0);
}
