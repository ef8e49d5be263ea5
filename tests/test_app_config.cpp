#include <string>

#include <gtest/gtest.h>

#include "app/Config.h"
#include "support/ConfigRun.h"

namespace vorn {
namespace {

using test::ConfigRun;
using test::readConfigText;

const char* kAllFour =
    "ERROR: Could not parse configured width\n"
    "ERROR: Could not parse configured height\n"
    "ERROR: Could not parse configured fullscreen bool\n"
    "ERROR: Could not parse configured refresh rate\n";

TEST(Config, NoFileKeepsTheDefaultsSilently) {
  const ConfigRun run = readConfigText("");
  EXPECT_EQ(run.settings.width, 800);
  EXPECT_EQ(run.settings.height, 600);
  EXPECT_FALSE(run.settings.fullscreen);
  EXPECT_EQ(run.settings.refreshRate, 60);
  EXPECT_EQ(run.out, "");
  EXPECT_EQ(run.err, "");
}

TEST(Config, FullLineIsAppliedAndEchoed) {
  const ConfigRun run = readConfigText("1280 720 1 75 trailing words are ignored\n");
  EXPECT_EQ(run.settings.width, 1280);
  EXPECT_EQ(run.settings.height, 720);
  EXPECT_TRUE(run.settings.fullscreen);
  EXPECT_EQ(run.settings.refreshRate, 75);
  EXPECT_EQ(run.out, "Configured Window Size: 1280x720 fullscreen: 1 refresh rate: 75\n");
  EXPECT_EQ(run.err, "");
}

TEST(Config, MissingValuesFailAtTheEndOfTheLine) {
  const ConfigRun run = readConfigText("1024 768");
  EXPECT_EQ(run.settings.width, 1024);
  EXPECT_EQ(run.settings.height, 768);
  EXPECT_EQ(run.err,
            "ERROR: Could not parse configured fullscreen bool\n"
            "ERROR: Could not parse configured refresh rate\n");
  EXPECT_EQ(run.out, "Configured Window Size: 1024x768 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, OneFailedValueFailsTheRestOfItsLine) {
  const ConfigRun words = readConfigText("1024 768 true 75\n");
  EXPECT_FALSE(words.settings.fullscreen);
  EXPECT_EQ(words.settings.refreshRate, 60);
  EXPECT_EQ(words.err,
            "ERROR: Could not parse configured fullscreen bool\n"
            "ERROR: Could not parse configured refresh rate\n");

  const ConfigRun first = readConfigText("wide 768 1 75\n");
  EXPECT_EQ(first.err, kAllFour);
  EXPECT_EQ(first.out, "Configured Window Size: 800x600 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, BlankLineFailsAllFourValues) {
  const ConfigRun run = readConfigText("\n");
  EXPECT_EQ(run.err, kAllFour);
  EXPECT_EQ(run.out, "Configured Window Size: 800x600 fullscreen: 0 refresh rate: 60\n");
}

TEST(Config, LaterLinesOverrideEarlierOnes) {
  const ConfigRun run = readConfigText("1024 768 0 60\n640 480 0 50\n");
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
    const ConfigRun run = readConfigText(line);
    EXPECT_EQ(run.settings.width, 800) << line;
    EXPECT_EQ(run.err, kAllFour) << line;
  }
  const ConfigRun height = readConfigText("1024 0 1 75");
  EXPECT_EQ(height.settings.width, 1024);
  EXPECT_EQ(height.settings.height, 600);
  EXPECT_FALSE(height.settings.fullscreen);

  const ConfigRun largest = readConfigText("16384 16384 0 60");
  EXPECT_EQ(largest.settings.width, 16384);
  EXPECT_EQ(largest.err, "");
}

TEST(Config, DosLineEndsAreAccepted) {
  const ConfigRun run = readConfigText("1024 768 0 60\r\n");
  EXPECT_EQ(run.err, "");
  EXPECT_EQ(run.settings.refreshRate, 60);
}

TEST(Config, FullscreenIsNumericZeroOrOne) {
  EXPECT_FALSE(readConfigText("800 600 2 60").settings.fullscreen);
  EXPECT_NE(readConfigText("800 600 2 60").err, "");
  EXPECT_TRUE(readConfigText("800 600 1 60").settings.fullscreen);
}

}  // namespace
}  // namespace vorn
