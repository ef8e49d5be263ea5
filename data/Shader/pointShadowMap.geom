// Sends each triangle that faces the light to the cube faces whose view it can reach.
//
// A triangle faces the light on every face or on none, as the side of its plane the light lies on
// decides it; so one test here spares the rasteriser the back faces it would cull on each face
// (the game always culls them).
//
// Seen from the light, a face covers the directions around its axis bounded by four planes
// through the light, along which the face's depth equals one of the other two coordinates or its
// negative, and by the near and far planes. A triangle whose three corners lie beyond one of
// those six planes would be clipped away whole, so it is not sent to that face.
//
// The cube map comes out as if every triangle went to all six faces.
layout(triangles) in;
layout(triangle_strip, max_vertices = 18) out;

uniform mat4 m_viewProjections[6];
uniform vec4 v_lightPos;
uniform vec2 v_nearFar;

// Each argument holds one coordinate of the three corners: depth along the face's look direction,
// and the two across it.
bool reachesFace(vec3 depth, vec3 across, vec3 up) {
  return any(greaterThanEqual(depth, vec3(v_nearFar.x))) &&
         any(lessThan(depth, vec3(v_nearFar.y))) && any(greaterThanEqual(depth, across)) &&
         any(greaterThanEqual(depth, -across)) && any(greaterThanEqual(depth, up)) &&
         any(greaterThanEqual(depth, -up));
}

void emit(int face) {
  for (int i = 0; i < 3; ++i) {
    gl_Layer = face;
    // The viewports are all the face's; their scissors let a pass draw again on part of a face.
    gl_ViewportIndex = face;
    gl_Position = m_viewProjections[face] * gl_in[i].gl_Position;
    EmitVertex();
  }
  EndPrimitive();
}

void main() {
  vec3 corners[3];
  for (int i = 0; i < 3; ++i) corners[i] = gl_in[i].gl_Position.xyz - v_lightPos.xyz;
  // Counter-clockwise corners face the light when the normal they give points back towards it.
  if (dot(cross(corners[1] - corners[0], corners[2] - corners[0]), corners[0]) >= 0.0) return;
  vec3 x = vec3(corners[0].x, corners[1].x, corners[2].x);
  vec3 y = vec3(corners[0].y, corners[1].y, corners[2].y);
  vec3 z = vec3(corners[0].z, corners[1].z, corners[2].z);
  // In the GL cube face order +X, -X, +Y, -Y, +Z, -Z.
  if (reachesFace(x, y, z)) emit(0);
  if (reachesFace(-x, y, z)) emit(1);
  if (reachesFace(y, x, z)) emit(2);
  if (reachesFace(-y, x, z)) emit(3);
  if (reachesFace(z, x, y)) emit(4);
  if (reachesFace(-z, x, y)) emit(5);
}
