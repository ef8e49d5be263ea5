// One direction of a separable Gaussian blur, taps one target pixel apart. Where a target pixel
// stands for a block of source texels (the first pass reads the full-size glow into a target a
// quarter of its size each way), each tap reads the mipmap level whose texels are the means of
// such blocks, so that every texel counts and a small bright spot glows wherever it lies.
in vec2 uv;

uniform sampler2D i_textureUnit1;
uniform int horizontal;  // 1: along x, 0: along y

layout(location = 0) out vec4 fragColor;

const int RADIUS = 6;
const float SIGMA = 3.0;

void main() {
  // One target pixel in texture coordinates: the full-screen mesh maps [0, 1] onto the target.
  vec2 targetPixel = vec2(dFdx(uv.x), dFdy(uv.y));
  vec2 texelsPerPixel = targetPixel * vec2(textureSize(i_textureUnit1, 0));
  float level = log2(max(round(max(texelsPerPixel.x, texelsPerPixel.y)), 1.0));
  vec2 step = horizontal == 1 ? vec2(targetPixel.x, 0.0) : vec2(0.0, targetPixel.y);
  vec3 sum = vec3(0.0);
  float total = 0.0;
  for (int i = -RADIUS; i <= RADIUS; ++i) {
    float weight = exp(-float(i * i) / (2.0 * SIGMA * SIGMA));
    sum += weight * textureLod(i_textureUnit1, uv + float(i) * step, level).rgb;
    total += weight;
  }
  fragColor = vec4(sum / total, 1.0);
}
