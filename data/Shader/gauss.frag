#version 430 core

// One direction of a separable Gaussian blur. Taps are one target pixel apart, so the first pass,
// which reads the full-size glow into a quarter-size target, spreads as far as the second.
in vec2 uv;

uniform sampler2D i_textureUnit1;
uniform int horizontal;  // 1: along x, 0: along y

layout(location = 0) out vec4 fragColor;

const int RADIUS = 6;
const float SIGMA = 3.0;

void main() {
  // One target pixel in texture coordinates: the full-screen mesh maps [0, 1] onto the target.
  vec2 pixel = horizontal == 1 ? vec2(dFdx(uv.x), 0.0) : vec2(0.0, dFdy(uv.y));
  vec3 sum = vec3(0.0);
  float total = 0.0;
  for (int i = -RADIUS; i <= RADIUS; ++i) {
    float weight = exp(-float(i * i) / (2.0 * SIGMA * SIGMA));
    sum += weight * textureLod(i_textureUnit1, uv + float(i) * pixel, 0.0).rgb;
    total += weight;
  }
  fragColor = vec4(sum / total, 1.0);
}
