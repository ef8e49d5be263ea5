#pragma once

#include <string>

#include <sys/types.h>

typedef struct _XDisplay Display;

namespace vorn::test {

// A virtual X display (Xvfb) of the test's own, named by DISPLAY while the object lives, so that
// no other test moves its pointer or takes its keyboard focus while this one sends real input.
// Throws when the server cannot be started.
class OwnDisplay {
 public:
  OwnDisplay();
  ~OwnDisplay();
  OwnDisplay(const OwnDisplay&) = delete;
  OwnDisplay& operator=(const OwnDisplay&) = delete;

  // Real key and button events (XTest), pressed and released at once; they go to the window that
  // has the focus. Returns when the server has handled them.
  void tapKey(unsigned long keysym);
  void click(unsigned button);
  // A round trip on the current GLFW window's connection: every event the server had for the game
  // when this was called has arrived, for its next poll to read.
  static void reachGame();

 private:
  void stop();

  pid_t server = -1;
  Display* connection = nullptr;
  std::string previousDisplay;
};

}  // namespace vorn::test
