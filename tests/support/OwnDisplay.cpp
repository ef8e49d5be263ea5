#include "support/OwnDisplay.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <stdexcept>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

extern char** environ;
// GLFW's own connection (glfw3native.h, which would also want the XRandR headers).
extern "C" Display* glfwGetX11Display(void);

namespace vorn::test {

namespace {

// Reads the display number that Xvfb writes once it accepts connections; empty if it ended first.
std::string readDisplayNumber(int fd) {
  std::string number;
  char c = 0;
  while (read(fd, &c, 1) == 1 && c != '\n') number += c;
  return number;
}

}  // namespace

OwnDisplay::OwnDisplay() {
  if (const char* display = std::getenv("DISPLAY")) previousDisplay = display;
  int ready[2];
  if (pipe(ready) != 0) throw std::runtime_error("no pipe for Xvfb");
  // Xvfb picks a free display number itself and writes it to fd 3.
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, ready[1], 3);
  posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  char* argv[] = {const_cast<char*>("Xvfb"),
                  const_cast<char*>("-displayfd"),
                  const_cast<char*>("3"),
                  const_cast<char*>("-screen"),
                  const_cast<char*>("0"),
                  const_cast<char*>("1280x1024x24"),
                  const_cast<char*>("-nolisten"),
                  const_cast<char*>("tcp"),
                  nullptr};
  const int spawned = posix_spawnp(&server, "Xvfb", &actions, nullptr, argv, environ);
  posix_spawn_file_actions_destroy(&actions);
  close(ready[1]);
  const std::string number = spawned == 0 ? readDisplayNumber(ready[0]) : "";
  close(ready[0]);
  if (number.empty()) {
    if (spawned == 0) waitpid(server, nullptr, 0);
    throw std::runtime_error("Xvfb did not start");
  }
  setenv("DISPLAY", (":" + number).c_str(), 1);
  connection = XOpenDisplay(nullptr);
  if (!connection) {
    stop();
    throw std::runtime_error("cannot connect to the own display :" + number);
  }
}

OwnDisplay::~OwnDisplay() { stop(); }

void OwnDisplay::stop() {
  if (connection) XCloseDisplay(connection);
  connection = nullptr;
  if (server > 0) {
    kill(server, SIGTERM);
    waitpid(server, nullptr, 0);
    server = -1;
  }
  if (previousDisplay.empty()) unsetenv("DISPLAY");
  else setenv("DISPLAY", previousDisplay.c_str(), 1);
}

void OwnDisplay::tapKey(unsigned long keysym) {
  const KeyCode code = XKeysymToKeycode(connection, keysym);
  XTestFakeKeyEvent(connection, code, True, CurrentTime);
  XTestFakeKeyEvent(connection, code, False, CurrentTime);
  XSync(connection, False);
}

void OwnDisplay::click(unsigned button) {
  XTestFakeButtonEvent(connection, button, True, CurrentTime);
  XTestFakeButtonEvent(connection, button, False, CurrentTime);
  XSync(connection, False);
}

void OwnDisplay::reachGame() { XSync(glfwGetX11Display(), False); }

}  // namespace vorn::test
