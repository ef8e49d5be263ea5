#pragma once

#include <string>

#include "app/Config.h"

namespace vorn::test {

// What readConfig made of a configuration text: the settings and both streams.
struct ConfigRun {
  WindowSettings settings;
  std::string out;
  std::string err;
};

// Runs readConfig on the text, starting from the given settings.
ConfigRun readConfigText(const std::string& text, const WindowSettings& start = {});

}  // namespace vorn::test
