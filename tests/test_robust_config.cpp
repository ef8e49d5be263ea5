// config.txt as a user or a broken editor may leave it: random bytes, NUL bytes, huge numbers,
// signs, a megabyte on one line, thousands of lines. Whatever it holds, every line is echoed, every
// value that does not parse keeps its previous value with its error line, and no value ever
// leaves its range.
#include <cstdint>
#include <random>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "app/Config.h"
#include "support/ConfigRun.h"

namespace vorn {
namespace {

using test::ConfigRun;
using test::readConfigText;

const char* const kErrors[4] = {
    "ERROR: Could not parse configured width",
    "ERROR: Could not parse configured height",
    "ERROR: Could not parse configured fullscreen bool",
    "ERROR: Could not parse configured refresh rate",
};

std::vector<std::string> splitLines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  std::istringstream in(text);
  while (std::getline(in, line)) lines.push_back(line);
  return lines;
}

std::string echo(const WindowSettings& s) {
  return "Configured Window Size: " + std::to_string(s.width) + "x" + std::to_string(s.height) +
         " fullscreen: " + (s.fullscreen ? "1" : "0") +
         " refresh rate: " + std::to_string(s.refreshRate) + "\n";
}

// Checks what one line did to the settings: the echo shows the new values, the error lines are a
// tail of the four (a failed value fails the rest of its line) and name exactly the values that
// kept their previous value, and the window sides stay in range.
void expectLineRules(const std::string& line, const WindowSettings& before, const ConfigRun& run) {
  SCOPED_TRACE("line of " + std::to_string(line.size()) + " bytes: " + line.substr(0, 60));
  const WindowSettings& after = run.settings;
  EXPECT_EQ(run.out, echo(after));
  EXPECT_GE(after.width, 1);
  EXPECT_LE(after.width, kMaxWindowSide);
  EXPECT_GE(after.height, 1);
  EXPECT_LE(after.height, kMaxWindowSide);

  const std::vector<std::string> errors = splitLines(run.err);
  ASSERT_LE(errors.size(), 4u);
  const std::size_t firstFailed = 4 - errors.size();
  for (std::size_t i = 0; i < errors.size(); ++i) EXPECT_EQ(errors[i], kErrors[firstFailed + i]);
  if (firstFailed <= 0) {
    EXPECT_EQ(after.width, before.width);
  }
  if (firstFailed <= 1) {
    EXPECT_EQ(after.height, before.height);
  }
  if (firstFailed <= 2) {
    EXPECT_EQ(after.fullscreen, before.fullscreen);
  }
  if (firstFailed <= 3) {
    EXPECT_EQ(after.refreshRate, before.refreshRate);
  }
}

// Random lines of every sort the parser can meet.
class LineMaker {
 public:
  explicit LineMaker(uint32_t seed) : random(seed) {}

  std::string next() {
    switch (pick(9)) {
      case 0: return validLine();
      case 1: return randomBytes(pick(40));
      case 2: return mixedTokens();
      case 3: return validLine() + std::string(1, '\0') + randomBytes(pick(8));
      case 4: return std::string(pick(3), '\0') + validLine();
      case 5: return number() + " " + number() + " " + number() + " " + number();
      case 6: return validLine() + "\r";
      case 7: return std::string(pick(5), pick(2) ? ' ' : '\t');
      default: return validLine() + " " + randomBytes(pick(20));
    }
  }

 private:
  uint32_t pick(uint32_t n) { return n == 0 ? 0 : random() % n; }

  std::string validLine() {
    return std::to_string(1 + pick(kMaxWindowSide)) + " " +
           std::to_string(1 + pick(kMaxWindowSide)) + " " + std::to_string(pick(2)) + " " +
           std::to_string(static_cast<int>(pick(400)) - 100);
  }

  std::string randomBytes(uint32_t length) {
    std::string bytes;
    for (uint32_t i = 0; i < length; ++i) {
      char c = static_cast<char>(pick(256));
      if (c == '\n') c = ' ';
      bytes += c;
    }
    return bytes;
  }

  // Integers as formatted extraction may or may not take them: signs, leading zeros, overflow,
  // hexadecimal and exponent forms, digits glued to letters.
  std::string number() {
    static const char* const kOdd[] = {
        "+",          "-",           "--1",         "+-1",        "2147483647",
        "2147483648", "-2147483648", "-2147483649", "4294967297", "99999999999999999999999",
        "0x400",      "1e3",         "1.5",         "007",        "+0",
        "-0",         "16384",       "16385",       "0",          "-1",
        "1abc",       "١٢٣"};
    switch (pick(3)) {
      case 0: return kOdd[pick(sizeof kOdd / sizeof *kOdd)];
      case 1: return std::string(pick(2) ? "-" : "") + std::to_string(pick(100000));
      default: return std::to_string(pick(3));
    }
  }

  std::string mixedTokens() {
    static const char* const kWords[] = {"true", "false", "yes",      "nan",  "inf", "#", "//",
                                         "=",    "width", "\xff\xfe", "\x7f", "\v",  "\f"};
    std::string line;
    for (uint32_t n = pick(7); n > 0; --n) {
      line += pick(2) ? number() : kWords[pick(sizeof kWords / sizeof *kWords)];
      line += pick(4) ? " " : "\t";
    }
    return line;
  }

  std::mt19937 random;
};

TEST(ConfigFuzz, EveryRandomLineFollowsTheRules) {
  for (uint32_t seed : {1u, 2u, 3u, 4u}) {
    SCOPED_TRACE("seed " + std::to_string(seed));
    LineMaker maker(seed);
    WindowSettings settings;
    for (int i = 0; i < 1500; ++i) {
      const std::string line = maker.next();
      const ConfigRun run = readConfigText(line + "\n", settings);
      expectLineRules(line, settings, run);
      if (::testing::Test::HasFailure()) return;
      settings = run.settings;
    }
  }
}

// A file of thousands of random lines reads as the same lines one by one: one echo per line, the
// same error lines in the same order and the same final values.
TEST(ConfigFuzz, ThousandsOfLinesReadAsTheirLinesOneByOne) {
  LineMaker maker(42);
  std::string file;
  for (int i = 0; i < 5000; ++i) file += maker.next() + "\n";
  const ConfigRun whole = readConfigText(file);

  WindowSettings settings;
  std::string out;
  std::string err;
  const std::vector<std::string> lines = splitLines(file);
  ASSERT_EQ(lines.size(), 5000u);
  for (const std::string& line : lines) {
    const ConfigRun single = readConfigText(line + "\n", settings);
    settings = single.settings;
    out += single.out;
    err += single.err;
  }
  EXPECT_EQ(whole.out, out);
  EXPECT_EQ(whole.err, err);
  EXPECT_EQ(whole.settings.width, settings.width);
  EXPECT_EQ(whole.settings.height, settings.height);
  EXPECT_EQ(whole.settings.fullscreen, settings.fullscreen);
  EXPECT_EQ(whole.settings.refreshRate, settings.refreshRate);
  EXPECT_EQ(splitLines(whole.out).size(), 5000u);
}

TEST(ConfigFuzz, MegabyteLinesAreReadWhole) {
  const std::string garbage(1 << 20, 'x');
  const ConfigRun tail = readConfigText("1024 768 1 75 " + garbage + "\n640 480 0 50");
  EXPECT_EQ(tail.err, "");
  EXPECT_EQ(tail.out,
            "Configured Window Size: 1024x768 fullscreen: 1 refresh rate: 75\n"
            "Configured Window Size: 640x480 fullscreen: 0 refresh rate: 50\n");

  // A megabyte of digits overflows; a megabyte of blanks before the values is only white space.
  const ConfigRun digits = readConfigText(std::string(1 << 20, '7') + " 768 1 75");
  EXPECT_EQ(digits.settings.width, 800);
  EXPECT_EQ(splitLines(digits.err).size(), 4u);
  const ConfigRun blanks = readConfigText(std::string(1 << 20, ' ') + "1024 768 1 75");
  EXPECT_EQ(blanks.settings.width, 1024);
  EXPECT_EQ(blanks.err, "");

  // A megabyte of binary bytes without a single line end is one line.
  std::mt19937 random(7);
  std::string binary(1 << 20, '\0');
  for (char& c : binary) {
    c = static_cast<char>(random() % 256);
    if (c == '\n') c = '\0';
  }
  const ConfigRun bytes = readConfigText(binary);
  EXPECT_EQ(splitLines(bytes.out).size(), 1u);
  EXPECT_GE(bytes.settings.width, 1);
  EXPECT_LE(bytes.settings.width, kMaxWindowSide);
}

TEST(ConfigFuzz, NulBytesEndNoLineAndParseAsNoValue) {
  const ConfigRun inside = readConfigText(std::string("1024\0 768 1 75\n", 15));
  EXPECT_EQ(inside.settings.width, 1024);
  EXPECT_EQ(inside.settings.height, 600);
  EXPECT_EQ(splitLines(inside.err).size(), 3u);
  EXPECT_EQ(splitLines(inside.out).size(), 1u);

  const ConfigRun onlyNul = readConfigText(std::string("\0\0\0\n\0", 5));
  EXPECT_EQ(splitLines(onlyNul.out).size(), 2u);
  EXPECT_EQ(splitLines(onlyNul.err).size(), 8u);
}

TEST(ConfigFuzz, ExtremeIntegersAndSigns) {
  struct Case {
    const char* line;
    int32_t width, height;
    bool fullscreen;
    int32_t refreshRate;
    std::size_t errors;
  };
  const Case cases[] = {
      {"+1024 +768 +1 +75", 1024, 768, true, 75, 0},
      {"-1024 768 1 75", 800, 600, false, 60, 4},
      {"1024 768 1 -2147483648", 1024, 768, true, INT32_MIN, 0},
      {"1024 768 1 2147483647", 1024, 768, true, INT32_MAX, 0},
      {"1024 768 1 2147483648", 1024, 768, true, 60, 1},
      {"1024 768 1 -2147483649", 1024, 768, true, 60, 1},
      {"2147483647 768 1 75", 800, 600, false, 60, 4},
      {"4294968320 768 1 75", 800, 600, false, 60, 4},  // 2^32 + 1024 must not wrap to 1024
      {"1024 768 -1 75", 1024, 768, false, 60, 2},
      {"1024 768 01 75", 1024, 768, true, 75, 0},
      {"1024 768 1 0x4B", 1024, 768, true, 0, 0},  // "0", then "x4B" is ignored
      {"0x400 768 1 75", 800, 600, false, 60, 4},
      {"1e3 768 1 75", 1, 600, false, 60, 3},  // width 1, then "e3" fails the height
      {"16384 16384 0 60", 16384, 16384, false, 60, 0},
      {"1 1 0 60", 1, 1, false, 60, 0},
      {"- 768 1 75", 800, 600, false, 60, 4},
  };
  for (const Case& c : cases) {
    const ConfigRun run = readConfigText(c.line);
    SCOPED_TRACE(c.line);
    EXPECT_EQ(run.settings.width, c.width);
    EXPECT_EQ(run.settings.height, c.height);
    EXPECT_EQ(run.settings.fullscreen, c.fullscreen);
    EXPECT_EQ(run.settings.refreshRate, c.refreshRate);
    EXPECT_EQ(splitLines(run.err).size(), c.errors);
  }
}

TEST(ConfigFuzz, TextThatIsNoConfigurationAtAll) {
  for (const char* text :
       {"\xef\xbb\xbf"
        "1024 768 0 60",  // a byte-order mark from an editor
        "width=1024\nheight=768\n", "<?xml version=\"1.0\"?>", "\r\r\r", "\n\n\n\n"}) {
    const ConfigRun run = readConfigText(text);
    SCOPED_TRACE(text);
    EXPECT_EQ(run.settings.width, 800);
    EXPECT_EQ(run.settings.height, 600);
    EXPECT_EQ(splitLines(run.out).size(), splitLines(text).size());
    EXPECT_EQ(splitLines(run.err).size(), 4 * splitLines(text).size());
  }
}

}  // namespace
}  // namespace vorn
