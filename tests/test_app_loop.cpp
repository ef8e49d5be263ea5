// config.txt, each line of which sets the window and is echoed (a value that does not parse is
// named and keeps what it had, as does every later value of its line); the loop's console timers,
// driven with chosen frame times; a faulty OpenGL call fails a test.
#include <sstream>
#include <string>
#include <tuple>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "app/Config.h"
#include "app/Game.h"
#include "support/GameDriver.h"
#include "support/GlContext.h"

namespace vorn {
namespace {

class LoopTimers : public ::testing::Test {
 protected:
  LoopTimers() : game(800, 600, 0, 60) { game.window = context.window; }

  // Runs the timer steps of one frame of dt seconds; returns what they printed.
  std::string frame(float dt) {
    testing::internal::CaptureStdout();
    game.measureFrame(dt);
    game.updateConsoleTimers();
    return testing::internal::GetCapturedStdout();
  }

  test::GlContext context;
  Game game;
};

// A long frame starting a window reports one frame; then steady 16 ms frames every 64th frame.
TEST_F(LoopTimers, FrameTimeIsReportedOnceAWindowPassesOneSecond) {
  game.showFrameTime = true;
  EXPECT_EQ(frame(1.5f), "");
  EXPECT_EQ(frame(0.016f), "avg frametime: 1000 ms = 1 fps\n");
  for (int i = 1; i < 64; ++i) ASSERT_EQ(frame(0.016f), "") << "frame " << i;
  EXPECT_EQ(frame(0.016f), "avg frametime: 15.873 ms = 63 fps\n");
  EXPECT_EQ(game.frameCount, 0u);
  EXPECT_EQ(game.frameTimeMs, 0u);
  game.showFrameTime = false;
  for (int i = 0; i < 200; ++i) ASSERT_EQ(frame(0.016f), "");
}

TEST_F(LoopTimers, DrawCountIsRequestedAboutOnceASecondWhileCulling) {
  int requests = 0;
  for (int i = 0; i < 200; ++i) {
    frame(0.016f);
    if (game.reportDrawCount) {
      ++requests;
      game.reportDrawCount = false;  // the scene pass clears it after printing
    }
  }
  EXPECT_EQ(requests, 3);  // 3.2 s of frames, a request after every 1008 ms plus the raising frame

  game.frustumCulling = false;
  for (int i = 0; i < 200; ++i) frame(0.016f);
  EXPECT_FALSE(game.reportDrawCount);
}

TEST_F(LoopTimers, WinTimerRunsAtAThousandFramesASecondAndMore) {
  for (const float dt : {0.0002f, 0.0005f}) {
    SCOPED_TRACE(dt);
    glfwSetWindowShouldClose(game.window, GLFW_FALSE);
    game.winTimerMs = 0;
    game.hasWon = true;
    int frames = 0;
    while (!glfwWindowShouldClose(game.window) && frames < 100000) {
      frame(dt);
      ++frames;
    }
    EXPECT_TRUE(glfwWindowShouldClose(game.window));
    EXPECT_NEAR(frames * dt, 5.0, 0.01);
  }
}

// In a test's own context and in the game's, from its start on: an error is named, the call that
// made it in a synchronous report.
TEST(GlErrors, FailTheTestNamingTheMessage) {
  EXPECT_NONFATAL_FAILURE(
      {
        test::GlContext context;
        glEnable(0x1234);
      },
      "OpenGL error");
  EXPECT_NONFATAL_FAILURE(
      {
        test::GameDriver driver(160, 120);
        glBindTexture(GL_TEXTURE_2D, 0xdead);
      },
      "glBindTexture");
}

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
      {"\xEF\xBB\xBF"
       "1024 768 1 75",
       {1024, 768, true, 75},
       0},  // a byte-order mark
      {"\xEF\xBB\xBF\xEF\xBB\xBF"
       "1024 768 1 75",
       {},
       4},  // only one mark is skipped
      {"\xEF\xBB"
       "1024 768 1 75",
       {},
       4},  // not a whole mark
      {" \xEF\xBB\xBF"
       "1024 768 1 75",
       {},
       4},  // not at the start
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
  const auto [marked, twice, all] = readConfigText(
      "\xEF\xBB\xBF"
      "1024 768 1 75\n"
      "\xEF\xBB\xBF"
      "640 480 0 50\n");
  EXPECT_EQ(twice, echo({1024, 768, true, 75}) + echo({1024, 768, true, 75}));
  EXPECT_EQ(all, std::string(kErrors[0]) + kErrors[1] + kErrors[2] + kErrors[3]);
}

}  // namespace
}  // namespace vorn
