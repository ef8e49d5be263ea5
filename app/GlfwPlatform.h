#pragma once

#include "app/Platform.h"

struct GLFWwindow;

namespace vorn {

class GlfwClock : public Clock {
 public:
  double now() override;
};

// Polls the window's keyboard and mouse state.
class GlfwInput : public InputSource {
 public:
  explicit GlfwInput(GLFWwindow* window) : window(window) {}
  bool keyDown(int key) override;
  bool mouseButtonDown(int button) override;
  void getWindowSize(int& width, int& height) override;
  void getCursorPos(double& x, double& y) override;
  void setCursorPos(double x, double y) override;

 private:
  GLFWwindow* window;
};

}  // namespace vorn
