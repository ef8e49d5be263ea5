// The bloom composite, whatever the file's name: the blurred glow laid over the lit scene as a screen blend, 1 - (1 - a)(1 - b),
// which brightens like adding light but never passes white, so the glow cannot clip what the tone
// mapping kept below it.
in vec2 uv;

uniform sampler2D i_textureUnit1;  // scene, tone-mapped and sRGB-encoded
uniform sampler2D i_textureUnit2;  // blurred glow, tone-mapped, linear

layout(location = 0) out vec4 fragColor;

const float GLOW_STRENGTH = 1.2;

void main() {
  // The scene target is the window's size: each pixel reads its own texel, with no filtering.
  vec3 scene = texelFetch(i_textureUnit1, ivec2(gl_FragCoord.xy), 0).rgb;
  // A square root brings the linear glow near the display's encoding.
  vec3 glow = sqrt(min(GLOW_STRENGTH * texture(i_textureUnit2, uv).rgb, 1.0));
  // 1 - (1 - scene)(1 - glow), in one multiply-add.
  fragColor = vec4(scene + glow * (1.0 - scene), 1.0);
}
