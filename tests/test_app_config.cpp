// config.txt: each line sets the window's width, height, fullscreen flag and refresh rate and is
// echoed. A value that does not parse is named and keeps what it had, and so does every later
// value of its line; a window side must give a real window.
#include <sstream>
#include <string>
#include <tuple>

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

// Reads the text; gives back the settings, what was echoed and what was reported.
std::tuple<WindowSettings, std::string, std::string> readConfigText(const std::string& text) {
  WindowSettings settings;
  std::istringstream in(text);
  std::ostringstream out, err;
  readConfig(in, settings, out, err);
  return {settings, out.str(), err.str()};
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
      {"\xEF\xBB\xBF" "1024 768 1 75", {1024, 768, true, 75}, 0},  // a byte-order mark
      {"\xEF\xBB\xBF\xEF\xBB\xBF" "1024 768 1 75", {}, 4},      // only one mark is skipped
      {"\xEF\xBB" "1024 768 1 75", {}, 4},                        // not a whole mark
      {" \xEF\xBB\xBF" "1024 768 1 75", {}, 4},                   // not at the start
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.line);
    const auto [settings, out, err] = readConfigText(std::string(c.line) + "\n");
    EXPECT_EQ(echo(settings), echo(c.expected));
    EXPECT_EQ(out, echo(c.expected));
    std::string errors;
    for (int i = 4 - c.failed; i < 4; ++i) errors += kErrors[i];
    EXPECT_EQ(err, errors);
  }
}

TEST(Config, NoTextIsSilentAndLaterLinesBuildOnEarlierOnes) {
  const auto [none, silent, quiet] = readConfigText("");
  EXPECT_EQ(silent + quiet, "");

  // The last line needs no line end.
  const auto [settings, out, err] = readConfigText("1024 768 1 75\n640 wide 0 50");
  EXPECT_EQ(out, echo({1024, 768, true, 75}) + echo({640, 768, true, 75}));
  EXPECT_EQ(err, std::string(kErrors[1]) + kErrors[2] + kErrors[3]);

  // A byte-order mark further down is part of that line's text.
  const auto [marked, twice, all] =
      readConfigText("\xEF\xBB\xBF" "1024 768 1 75\n" "\xEF\xBB\xBF" "640 480 0 50\n");
  EXPECT_EQ(twice, echo({1024, 768, true, 75}) + echo({1024, 768, true, 75}));
  EXPECT_EQ(all, std::string(kErrors[0]) + kErrors[1] + kErrors[2] + kErrors[3]);
}

}  // namespace
}  // namespace vorn
