#pragma once

#include <string>

namespace vorn::test {

// Runs the shell command and returns what it wrote to its standard output; status receives the
// wait status (for WIFEXITED and WEXITSTATUS), or -1 when the shell could not be started.
std::string runCommand(const std::string& command, int& status);

}  // namespace vorn::test
