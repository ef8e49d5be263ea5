// Depth is the distance from the light divided by the far plane, so that the lighting program
// can compare distances directly whatever face a direction falls on.
in vec3 fromLight;

// A depth buffer of fixed-point values clamps what is written to 1.0 beyond the far plane.
void main() { gl_FragDepth = length(fromLight); }
