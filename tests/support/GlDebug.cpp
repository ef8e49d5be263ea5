#include "support/GlDebug.h"

#include <string>
#include <vector>

#include <GL/glew.h>
#include <gtest/gtest.h>

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

}  // namespace vorn::test
