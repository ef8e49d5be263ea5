#pragma once

#include <cstdint>
#include <iosfwd>

namespace vorn {

struct WindowSettings {
  int32_t width = 800;
  int32_t height = 600;
  bool fullscreen = false;
  int32_t refreshRate = 60;
};

// A window side must give a real window and keep every derived size (a quarter for the blur
// targets) non-zero and allocatable.
constexpr int32_t kMaxWindowSide = 16384;

// Applies every line of the configuration text to the settings, echoing each line's result on
// `out` and every value that does not parse on `err`. Later lines override earlier ones; a value
// that does not parse keeps what it had.
void readConfig(std::istream& in, WindowSettings& settings, std::ostream& out, std::ostream& err);

}  // namespace vorn
