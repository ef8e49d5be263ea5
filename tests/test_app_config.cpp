// config.txt: each line sets the window's width, height, fullscreen flag and refresh rate and is
// echoed. A value that does not parse is named and keeps what it had, and so does every later
// value of its line; a window side must give a real window.
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "app/Config.h"

namespace vorn {
namespace {

const char* const kErrors[4] = {
    "ERROR: Could not parse configured width\n",
    "ERROR: Could not parse configured height\n",
    "ERROR: Could not parse configured fullscreen bool\n",
    "ERROR: Could not parse configured refresh rate\n",
};

struct ConfigRun {
  WindowSettings settings;
  std::string out;
  std::string err;
};

ConfigRun readConfigText(const std::string& text) {
  ConfigRun run;
  std::istringstream in(text);
  std::ostringstream out;
  std::ostringstream err;
  readConfig(in, run.settings, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

std::string echo(const WindowSettings& s) {
  return "Configured Window Size: " + std::to_string(s.width) + "x" + std::to_string(s.height) +
         " fullscreen: " + (s.fullscreen ? "1" : "0") +
         " refresh rate: " + std::to_string(s.refreshRate) + "\n";
}

TEST(Config, EachLineSetsWhatParsesAndNamesTheRest) {
  struct Case {
    const char* line;
    WindowSettings expected;
    int failed;  // how many values at the end of the line did not parse
  };
  const Case cases[] = {
      {"1280 720 1 75 and trailing words", {1280, 720, true, 75}, 0},
      {"1024 768 0 50\r", {1024, 768, false, 50}, 0},  // a DOS line end
      {"16384 16384 0 60", {16384, 16384, false, 60}, 0},
      {"1024 768", {1024, 768, false, 60}, 2},
      {"1024 768 true 75", {1024, 768, false, 60}, 2},  // fullscreen is 0 or 1
      {"1024 768 2 75", {1024, 768, false, 60}, 2},
      {"1024 768 1 2147483648", {1024, 768, true, 60}, 1},
      {"1024 0 1 75", {1024, 600, false, 60}, 3},
      {"wide 768 1 75", {}, 4},
      {"", {}, 4},
      {"0 600 0 60", {}, 4},
      {"-800 600 0 60", {}, 4},
      {"16385 600 0 60", {}, 4},
      {"4294968320 768 1 75", {}, 4},  // 2^32 + 1024 must not wrap to 1024
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const ConfigRun run = readConfigText(std::string(c.line) + "\n");
    EXPECT_EQ(run.settings.width, c.expected.width);
    EXPECT_EQ(run.settings.height, c.expected.height);
    EXPECT_EQ(run.settings.fullscreen, c.expected.fullscreen);
    EXPECT_EQ(run.settings.refreshRate, c.expected.refreshRate);
    EXPECT_EQ(run.out, echo(c.expected));
    std::string errors;
    for (int i = 4 - c.failed; i < 4; ++i) errors += kErrors[i];
    EXPECT_EQ(run.err, errors);
  }
}

TEST(Config, NoTextIsSilentAndLaterLinesBuildOnEarlierOnes) {
  const ConfigRun none = readConfigText("");
  EXPECT_EQ(none.out + none.err, "");

  // The last line needs no line end.
  const ConfigRun lines = readConfigText("1024 768 1 75\n640 wide 0 50");
  EXPECT_EQ(lines.out,
            "Configured Window Size: 1024x768 fullscreen: 1 refresh rate: 75\n"
            "Configured Window Size: 640x768 fullscreen: 1 refresh rate: 75\n");
  EXPECT_EQ(lines.err, std::string(kErrors[1]) + kErrors[2] + kErrors[3]);
}

}  // namespace
}  // namespace vorn
