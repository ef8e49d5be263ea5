// One direction of a separable Gaussian blur (sigma 3, thirteen taps one target pixel apart),
// read in seven: the centre, and each pair of neighbouring taps as one read with the filter
// between two texels, at the point between them that weighs them as the kernel does. Where a
// target pixel stands for a block of source texels (the first pass reads the full-size glow into
// a target a quarter of its size each way), the sampler's own choice of mipmap level reads the
// level whose texels are the means of such blocks, one texel to a target pixel, so that every
// texel counts and a small bright spot glows wherever it lies.
in vec2 uv;

uniform sampler2D i_textureUnit1;
uniform int horizontal;  // 1: along x, 0: along y

layout(location = 0) out vec4 fragColor;

const float SIGMA = 3.0;
const int PAIRS = 3;  // taps 1 and 2, 3 and 4, 5 and 6 on each side

float weight(float tap) { return exp(-tap * tap / (2.0 * SIGMA * SIGMA)); }

void main() {
  // One target pixel in texture coordinates: the full-screen mesh maps [0, 1] onto the target.
  vec2 targetPixel = vec2(dFdx(uv.x), dFdy(uv.y));
  vec2 step = horizontal == 1 ? vec2(targetPixel.x, 0.0) : vec2(0.0, targetPixel.y);
  vec3 sum = texture(i_textureUnit1, uv).rgb;
  float total = 1.0;
  for (int pair = 0; pair < PAIRS; ++pair) {
    float near = float(2 * pair + 1), far = near + 1.0;
    float pairWeight = weight(near) + weight(far);
    vec2 offset = (near * weight(near) + far * weight(far)) / pairWeight * step;
    sum += pairWeight * (texture(i_textureUnit1, uv + offset).rgb +
                         texture(i_textureUnit1, uv - offset).rgb);
    total += 2.0 * pairWeight;
  }
  fragColor = vec4(sum / total, 1.0);
}
