#include "base/Fatal.h"

#include <cstdio>
#include <iostream>

#include <unistd.h>

namespace vorn {

void pauseAndExit() {
  // A console that started us waits for a key so the message can be read; without a
  // terminal (a desktop launcher, tests, CI) there is nobody to wait for.
  if (isatty(STDIN_FILENO)) {
    std::cerr << "Press Enter to exit..." << std::endl;
    std::getchar();
  }
  // Nothing is cleaned up: the program-wide objects' destructors would run in an order no one
  // chose (mesh objects releasing physics actors after their world is gone). Only what was
  // written is kept.
  std::cout.flush();
  std::cerr.flush();
  std::clog.flush();
  std::fflush(nullptr);
  _exit(1);
}

void fatalStop(const std::string& message) {
  std::cerr << message << std::endl;
  pauseAndExit();
}

}  // namespace vorn
