// The glow brought down to the blur's size: each quarter-size pixel gets the mean of the 4 x 4
// glow texels it stands for, into the glow's own level 2, which the first blur pass reads. One
// read with the filter between texels, at the corner that four texels share, is their mean; four
// such reads, one texel either side of the block's centre each way, make the mean of the block.
in vec2 uv;

uniform sampler2D i_textureUnit1;  // the glow at full size, read at level 0

layout(location = 0) out vec4 fragColor;

void main() {
  vec2 texel = 1.0 / vec2(textureSize(i_textureUnit1, 0));
  vec3 sum = texture(i_textureUnit1, uv + vec2(-texel.x, -texel.y)).rgb +
             texture(i_textureUnit1, uv + vec2(texel.x, -texel.y)).rgb +
             texture(i_textureUnit1, uv + vec2(-texel.x, texel.y)).rgb +
             texture(i_textureUnit1, uv + vec2(texel.x, texel.y)).rgb;
  // Opaque, so that the blending over last frame's level 2 gives this alone.
  fragColor = vec4(0.25 * sum, 1.0);
}
