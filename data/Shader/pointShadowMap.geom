// Sends every triangle to all six faces of the cube map in one pass.
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 m_viewProjections[6];

out vec3 worldPos;

void main() {
  for (int face = 0; face < 6; ++face) {
    vec4 clip[3];
    for (int i = 0; i < 3; ++i) clip[i] = m_viewProjections[face] * gl_in[i].gl_Position;
    // A triangle wholly beyond one side of this face's view cannot reach it.
    if ((clip[0].x > clip[0].w && clip[1].x > clip[1].w && clip[2].x > clip[2].w) ||
        (clip[0].x < -clip[0].w && clip[1].x < -clip[1].w && clip[2].x < -clip[2].w) ||
        (clip[0].y > clip[0].w && clip[1].y > clip[1].w && clip[2].y > clip[2].w) ||
        (clip[0].y < -clip[0].w && clip[1].y < -clip[1].w && clip[2].y < -clip[2].w))
      continue;
    for (int i = 0; i < 3; ++i) {
      gl_Layer = face;
      worldPos = gl_in[i].gl_Position.xyz;
      gl_Position = clip[i];
      EmitVertex();
    }
    EndPrimitive();
  }
}
