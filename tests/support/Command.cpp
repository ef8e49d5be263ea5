#include "support/Command.h"

#include <cstdio>

namespace vorn::test {

std::string runCommand(const std::string& command, int& status) {
  std::string output;
  FILE* pipe = popen(command.c_str(), "r");
  char buffer[512];
  while (pipe && fgets(buffer, sizeof buffer, pipe)) output += buffer;
  status = pipe ? pclose(pipe) : -1;
  return output;
}

}  // namespace vorn::test
