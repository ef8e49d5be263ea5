#version 430 core

// One direction of a separable Gaussian blur, taps one target pixel apart. Where a target pixel
// stands for a block of source texels (the first pass reads the full-size glow into a target a
// quarter of its size each way), each tap averages the whole block: bilinear fetches at texel
// corners, each the mean of 2 x 2 texels, so that no texel is skipped and a small bright spot
// counts wherever it lies.
in vec2 uv;

uniform sampler2D i_textureUnit1;
uniform int horizontal;  // 1: along x, 0: along y

layout(location = 0) out vec4 fragColor;

const int RADIUS = 6;
const float SIGMA = 3.0;

void main() {
  // One target pixel in texture coordinates: the full-screen mesh maps [0, 1] onto the target.
  vec2 targetPixel = vec2(dFdx(uv.x), dFdy(uv.y));
  vec2 texel = 1.0 / vec2(textureSize(i_textureUnit1, 0));
  // Source texels per target pixel along each axis (4 or 1 here), and the fetches that cover them.
  ivec2 block = max(ivec2(round(targetPixel / texel)), ivec2(1));
  ivec2 fetches = max(block / 2, ivec2(1));
  vec2 step = horizontal == 1 ? vec2(targetPixel.x, 0.0) : vec2(0.0, targetPixel.y);

  vec3 sum = vec3(0.0);
  float total = 0.0;
  for (int i = -RADIUS; i <= RADIUS; ++i) {
    vec2 centre = uv + float(i) * step;
    vec3 tap = vec3(0.0);
    for (int y = 0; y < fetches.y; ++y) {
      for (int x = 0; x < fetches.x; ++x) {
        vec2 offset = (2.0 * vec2(x, y) - vec2(fetches - 1)) * texel;
        tap += textureLod(i_textureUnit1, centre + offset, 0.0).rgb;
      }
    }
    float weight = exp(-float(i * i) / (2.0 * SIGMA * SIGMA));
    sum += weight * tap / float(fetches.x * fetches.y);
    total += weight;
  }
  fragColor = vec4(sum / total, 1.0);
}
