#include "support/ConfigRun.h"

#include <sstream>

namespace vorn::test {

ConfigRun readConfigText(const std::string& text, const WindowSettings& start) {
  ConfigRun run;
  run.settings = start;
  std::istringstream in(text);
  std::ostringstream out;
  std::ostringstream err;
  readConfig(in, run.settings, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

}  // namespace vorn::test
