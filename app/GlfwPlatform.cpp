#include "app/GlfwPlatform.h"

#include <GLFW/glfw3.h>

namespace vorn {

double GlfwClock::now() { return glfwGetTime(); }

bool GlfwInput::keyDown(int key) { return glfwGetKey(window, key) == GLFW_PRESS; }

bool GlfwInput::mouseButtonDown(int button) { return glfwGetMouseButton(window, button) != 0; }

void GlfwInput::getWindowSize(int& width, int& height) {
  glfwGetWindowSize(window, &width, &height);
}

void GlfwInput::getCursorPos(double& x, double& y) { glfwGetCursorPos(window, &x, &y); }

void GlfwInput::setCursorPos(double x, double y) { glfwSetCursorPos(window, x, y); }

}  // namespace vorn
