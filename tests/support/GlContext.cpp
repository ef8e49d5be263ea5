#include "support/GlContext.h"

#include <cstdio>
#include <cstdlib>

#include "support/GlDebug.h"

namespace vorn::test {

GlContext::GlContext(int width, int height) {
  if (!glfwInit()) {
    std::fprintf(stderr, "GL test: glfwInit failed (DISPLAY=%s); run the tests under xvfb-run\n",
                 std::getenv("DISPLAY") ? std::getenv("DISPLAY") : "unset");
    std::abort();
  }
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  window = glfwCreateWindow(width, height, "test", nullptr, nullptr);
  if (!window) {
    std::fprintf(stderr, "GL test: no OpenGL 4.3 core window\n");
    std::abort();
  }
  glfwMakeContextCurrent(window);
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) {
    std::fprintf(stderr, "GL test: glewInit failed\n");
    std::abort();
  }
  glGetError();  // GLEW may leave GL_INVALID_ENUM behind on core profiles
  failOnGlErrors();
}

GlContext::~GlContext() {
  glfwDestroyWindow(window);
  glfwTerminate();
}

Rgba readPixel(int x, int y) {
  Rgba p{};
  glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, &p);
  return p;
}

}  // namespace vorn::test
