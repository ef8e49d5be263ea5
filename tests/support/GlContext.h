#pragma once

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

namespace vorn::test {

// A hidden window with an OpenGL 4.3 core debug context, made current; every OpenGL error in it
// fails the test. Tests that need OpenGL run under Xvfb; without a display they fail, never skip.
class GlContext {
 public:
  GlContext(int width = 64, int height = 64);
  ~GlContext();
  GlContext(const GlContext&) = delete;
  GlContext& operator=(const GlContext&) = delete;

  GLFWwindow* window = nullptr;
};

// Fixture that owns one context for each test.
class GlTest : public ::testing::Test {
 protected:
  GlContext context;
};

// Makes the current context report errors and undefined behaviour synchronously: each message
// of those kinds fails the running test, naming it. Messages the context logged before (a debug
// context logs from its creation on) fail the test the same way. Needs a debug context.
void failOnGlErrors();

// Reads the RGBA8 pixel at (x, y) of the bound read framebuffer.
struct Rgba {
  unsigned char r, g, b, a;
};
Rgba readPixel(int x, int y);

}  // namespace vorn::test
