// Sends each triangle to the cube faces whose view it can reach. Seen from the light, a face
// covers the directions around its axis bounded by four planes through the light, along which the
// face's depth equals one of the other two coordinates or its negative. A triangle whose three
// corners lie beyond one of those planes, or behind the light, would be clipped away whole, so it
// is not sent to that face: the cube map comes out as if every triangle went to all six.
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 m_viewProjections[6];
uniform vec4 v_lightPos;
uniform vec2 v_nearFar;

// From the light to the point, in units of the far plane: its length is the depth to write.
out vec3 fromLight;

// Each argument holds one coordinate of the three corners: depth along the face's look direction,
// and the two across it.
bool reachesFace(vec3 depth, vec3 across, vec3 up) {
  return any(greaterThan(depth, vec3(0.0))) && any(greaterThanEqual(depth, across)) &&
         any(greaterThanEqual(depth, -across)) && any(greaterThanEqual(depth, up)) &&
         any(greaterThanEqual(depth, -up));
}

void emit(int face, vec3 corners[3]) {
  for (int i = 0; i < 3; ++i) {
    gl_Layer = face;
    fromLight = corners[i] / v_nearFar.y;
    gl_Position = m_viewProjections[face] * gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}

void main() {
  vec3 corners[3];
  for (int i = 0; i < 3; ++i) corners[i] = gl_in[i].gl_Position.xyz - v_lightPos.xyz;
  vec3 x = vec3(corners[0].x, corners[1].x, corners[2].x);
  vec3 y = vec3(corners[0].y, corners[1].y, corners[2].y);
  vec3 z = vec3(corners[0].z, corners[1].z, corners[2].z);
  // In the GL cube face order +X, -X, +Y, -Y, +Z, -Z.
  if (reachesFace(x, y, z)) emit(0, corners);
  if (reachesFace(-x, y, z)) emit(1, corners);
  if (reachesFace(y, x, z)) emit(2, corners);
  if (reachesFace(-y, x, z)) emit(3, corners);
  if (reachesFace(z, x, y)) emit(4, corners);
  if (reachesFace(-z, x, y)) emit(5, corners);
}
