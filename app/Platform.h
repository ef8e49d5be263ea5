#pragma once

namespace vorn {

// Time in seconds; the game reads it once per frame.
class Clock {
 public:
  virtual ~Clock() = default;
  virtual double now() = 0;
};

// Keyboard and mouse as the game polls them once per frame (GLFW key and button codes).
class InputSource {
 public:
  virtual ~InputSource() = default;
  // Whether the key or button is down, or was pressed since it was last asked about: a tap that
  // began and ended between two frames counts, once. The game asks about each once a frame.
  virtual bool keyDown(int key) = 0;
  virtual bool mouseButtonDown(int button) = 0;
  virtual void getWindowSize(int& width, int& height) = 0;
  virtual void getCursorPos(double& x, double& y) = 0;
  virtual void setCursorPos(double x, double y) = 0;
};

}  // namespace vorn
