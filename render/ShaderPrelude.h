#pragma once

#include <GL/glew.h>

#include <string>

namespace vorn {

// The source the program loader compiles for a shader file's text: the version line (the file's
// own when it starts with one), the values the shaders share with this code (light counts, shadow
// map size), the helpers several stages use (sRGB conversion), and the given interface
// declarations with VARYING standing for "out" in the vertex and "in" in the fragment stage. The
// driver's line numbers stay those of the file. An empty file stays empty: there is no shader.
std::string withPrelude(const std::string& source, GLenum stage, const char* interface);

// What the lighting program's vertex stage hands its fragment stage.
extern const char* const kLightingVaryings;

}  // namespace vorn
