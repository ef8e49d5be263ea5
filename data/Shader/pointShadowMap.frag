// Depth is the distance from the light divided by the far plane, so that the lighting program
// can compare distances directly whatever face a direction falls on.
in vec3 worldPos;

uniform vec4 v_lightPos;
uniform vec2 v_nearFar;

void main() { gl_FragDepth = clamp(distance(worldPos, v_lightPos.xyz) / v_nearFar.y, 0.0, 1.0); }
