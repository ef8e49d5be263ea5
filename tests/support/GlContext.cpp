#include "support/GlContext.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace vorn::test {

namespace {

bool isFault(GLenum type) {
  return type == GL_DEBUG_TYPE_ERROR || type == GL_DEBUG_TYPE_UNDEFINED_BEHAVIOR;
}

void report(GLenum type, GLuint id, const char* message) {
  ADD_FAILURE() << "OpenGL " << (type == GL_DEBUG_TYPE_ERROR ? "error" : "undefined behaviour")
                << " " << id << ": " << message;
}
void GLAPIENTRY onMessage(GLenum, GLenum type, GLuint id, GLenum, GLsizei, const GLchar* message,
                          const void*) {
  if (isFault(type)) report(type, id, message);
}

// What the context logged while no callback was installed, oldest first.
void reportLogged() {
  GLint length = 0;
  glGetIntegerv(GL_MAX_DEBUG_MESSAGE_LENGTH, &length);
  std::vector<GLchar> text(static_cast<size_t>(length));
  GLenum type = 0;
  GLuint id = 0;
  GLenum source = 0;
  GLenum severity = 0;
  while (glGetDebugMessageLog(1, length, &source, &type, &id, &severity, nullptr, text.data()) ==
         1) {
    if (isFault(type)) report(type, id, text.data());
  }
}

[[noreturn]] void stop(const std::string& why) {
  std::fprintf(stderr, "GL test: %s\n", why.c_str());
  std::abort();
}

}  // namespace

void failOnGlErrors() {
  GLint flags = 0;
  glGetIntegerv(GL_CONTEXT_FLAGS, &flags);
  ASSERT_NE(flags & GL_CONTEXT_FLAG_DEBUG_BIT, 0)
      << "not a debug context: what it did before now went unreported";
  reportLogged();
  glEnable(GL_DEBUG_OUTPUT);
  glEnable(GL_DEBUG_OUTPUT_SYNCHRONOUS);
  glDebugMessageCallback(onMessage, nullptr);
}

GlContext::GlContext(int width, int height) {
  if (!glfwInit()) {
    const char* display = std::getenv("DISPLAY");
    stop(std::string("glfwInit failed (DISPLAY=") + (display ? display : "unset") +
         "); run the tests under xvfb-run");
  }
  glfwWindowHint(GLFW_CONTEXT_VERSION_MAJOR, 4);
  glfwWindowHint(GLFW_CONTEXT_VERSION_MINOR, 3);
  glfwWindowHint(GLFW_OPENGL_PROFILE, GLFW_OPENGL_CORE_PROFILE);
  glfwWindowHint(GLFW_OPENGL_DEBUG_CONTEXT, GLFW_TRUE);
  glfwWindowHint(GLFW_VISIBLE, GLFW_FALSE);
  window = glfwCreateWindow(width, height, "test", nullptr, nullptr);
  if (!window) stop("no OpenGL 4.3 core window");
  glfwMakeContextCurrent(window);
  glewExperimental = GL_TRUE;
  if (glewInit() != GLEW_OK) stop("glewInit failed");
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
