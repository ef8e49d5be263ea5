#pragma once

#include <string>

namespace vorn {

// Writes the message and a line end to standard error, waits for a key when a console is
// attached (the console pause), and ends the process with exit status 1.
[[noreturn]] void fatalStop(const std::string& message);

// The console pause alone, for fatal stops that print more than one line first.
[[noreturn]] void pauseAndExit();

}  // namespace vorn
