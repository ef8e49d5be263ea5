// The cheapest picture of the scene: the diffuse map alone, for weighing the lighting's cost.
// The inputs from the vertex stage come with the lighting program's prelude.
uniform sampler2D i_textureUnit;
uniform float f_alpha;

layout(location = 0) out vec4 fragColor;
layout(location = 1) out vec4 glowColor;

void main() {
  fragColor = vec4(texture(i_textureUnit, uv).rgb, f_alpha);
  glowColor = vec4(0.0, 0.0, 0.0, f_alpha);
}
