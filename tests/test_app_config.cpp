#include <sstream>

#include <gtest/gtest.h>

#include "app/Config.h"

namespace vorn {
namespace {

struct ConfigRun {
  WindowSettings settings;
  std::string out;
  std::string err;
};

ConfigRun readText(const std::string& text) {
  ConfigRun run;
  std::istringstream in(text);
  std::ostringstream out;
  std::ostringstream err;
  readConfig(in, run.settings, out, err);
  run.out = out.str();
  run.err = err.str();
  return run;
}

const char* kAllFour =
    "ERROR: Could not parse configured width\n"
    "ERROR: Could not parse configured height\n"
    "ERROR: Could not parse configured fullscreen bool\n"
    "ERROR: Could not parse configured refresh rate\n";

TEST(Config, NoFileKeepsTheDefaultsSilently) {
  const ConfigRun run = readText("");
  EXPECT_EQ(run.settings.width, 800);
  EXPECT_EQ(run.settings.height, 600);
  EXPECT_FALSE(run.settings.fullscreen);
  EXPECT_EQ(run.settings.refreshRate, 60);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST(Config, FullLineIsAppliedAndEchoed) {
  const ConfigRun run = readText("1280 720 1 75 trailing words are ignored\n");
  EXPECT_EQ(run.settings.width, 1280);
  EXPECT_EQ(run.settings.height, 720);
  EXPECT_TRUE(run.settings.fullscreen);
  EXPECT_EQ(run.settings.refreshRate, 75);
  EXPECT_EQ(run.out, "Configured Window Size: 1280x720 fullscreen: 1 refresh rate: 75\n");
  EXPECT_EQ(run.err, "");
}

TEST(Config, MissingValuesFailAtTheEndOfTheLine) {
  const ConfigRun run = readText("1024 768");
  EXPECT_EQ(run.settings.width, 1024);
  EXPECT_EQ(run.settings.height, 768);
  EXPECT_EQ(run.err,
            "ERROR: Could not parse configured fullscreen bool\n"
            "ERROR: Could not parse configured refresh rate\n");
  EXPECT_EQ(run.out, "Configured Window Size: 1024x768 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, OneFailedValueFailsTheRestOfItsLine) {
  const ConfigRun words = readText("1024 768 true 75\n");
  EXPECT_FALSE(words.settings.fullscreen);
  EXPECT_EQ(words.settings.refreshRate, 60);
  EXPECT_EQ(words.err,
            "ERROR: Could not parse configured fullscreen bool\n"
            "ERROR: Could not parse configured refresh rate\n");

  const ConfigRun first = readText("wide 768 1 75\n");
  EXPECT_EQ(first.err, kAllFour);
  EXPECT_EQ(first.out, "Configured Window Size: 800x600 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, BlankLineFailsAllFourValues) {
  const ConfigRun run = readText("\n");
  EXPECT_EQ(run.err, kAllFour);
  EXPECT_EQ(run.out, "Configured Window Size: 800x600 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, LaterLinesOverrideEarlierOnes) {
  const ConfigRun run = readText("1024 768 0 60\n640 480 0 50\n");
  EXPECT_EQ(run.settings.width, 640);
  EXPECT_EQ(run.settings.height, 480);
  EXPECT_EQ(run.settings.refreshRate, 50);
  EXPECT_EQ(run.out,
            "Configured Window Size: 1024x768 fullscreen: 0 refresh rate: 60\n"
            "Configured Window Size: 640x480 fullscreen: 0 refresh rate: 50\n");
}

TEST(Config, WindowSidesThatGiveNoWindowDoNotParse) {
  for (const char* line : {"0 600 0 60", "-800 600 0 60", "16385 600 0 60",
                           "99999999999 600 0 60"}) {
    const ConfigRun run = readText(line);
    EXPECT_EQ(run.settings.width, 800) << line;
    EXPECT_EQ(run.err, kAllFour) << line;
  }
  const ConfigRun height = readText("1024 0 1 75");
  EXPECT_EQ(height.settings.width, 1024);
  EXPECT_EQ(height.settings.height, 600);
  EXPECT_FALSE(height.settings.fullscreen);

  const ConfigRun largest = readText("16384 16384 0 60");
  EXPECT_EQ(largest.settings.width, 16384);
  EXPECT_EQ(largest.err, "");
}

TEST(Config, DosLineEndsAreAccepted) {
  const ConfigRun run = readText("1024 768 0 60\r\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.settings.refreshRate, 60);
}

TEST(Config, FullscreenIsNumericZeroOrOne) {
  EXPECT_FALSE(readText("800 600 2 60").settings.fullscreen);
  EXPECT_NE(readText("800 600 2 60").err, "");
  EXPECT_TRUE(readText("800 600 1 60").settings.fullscreen);
}

}  // namespace
}  // namespace vorn
