#include "base/Fatal.h"

#include <cstdio>
#include <cstdlib>
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
  std::exit(1);
}

void fatalStop(const std::string& message) {
  std::cerr << message << std::endl;
  pauseAndExit();
}

}  // namespace vorn
