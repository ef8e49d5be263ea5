// Full-screen pass over "Resources/cube.obj": the face of the cube [-1, 1]^3 whose outward normal
// is +Z is laid flat over the target by dropping z. Wound counter-clockwise seen from +Z, it is
// the one face that faces the viewer; -Z faces away and is culled, and the four side faces
// collapse onto the target's edges and cover nothing. Texture coordinates come from the position,
// so the mesh's own do not matter.
layout(location = 0) in vec3 position;

out vec2 uv;

void main() {
  uv = position.xy * 0.5 + 0.5;
  gl_Position = vec4(position.xy, 0.0, 1.0);
}
