// The loop's console timers, driven with chosen frame times; a faulty OpenGL call fails a test.
#include <string>

#include <gtest/gtest-spi.h>
#include <gtest/gtest.h>

#include "app/Game.h"
#include "support/Command.h"
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

TEST_F(LoopTimers, SteadySixteenMillisecondFramesReportEverySixtyFourthFrame) {
  game.showFrameTime = true;
  for (int i = 1; i < 64; ++i) ASSERT_EQ(frame(0.016f), "") << "frame " << i;
  EXPECT_EQ(frame(0.016f), "avg frametime: 15.873 ms = 63 fps\n");
  EXPECT_EQ(game.frameCount, 0u);
  EXPECT_EQ(game.frameTimeMs, 0u);
  game.showFrameTime = false;
  for (int i = 0; i < 200; ++i) ASSERT_EQ(frame(0.016f), "");
}

TEST_F(LoopTimers, LongFrameStartingAWindowReportsOneFrame) {
  game.showFrameTime = true;
  EXPECT_EQ(frame(1.5f), "");
  EXPECT_EQ(frame(0.016f), "avg frametime: 1000 ms = 1 fps\n");
}

TEST_F(LoopTimers, SubMillisecondFramesStillAdvanceTheTimers) {
  game.measureFrame(0.0004f);
  EXPECT_EQ(game.frameMillis, 0u);
  game.measureFrame(0.0004f);
  EXPECT_EQ(game.frameMillis, 0u);
  game.measureFrame(0.0004f);
  EXPECT_EQ(game.frameMillis, 1u);  // 1.2 ms in all, 0.2 carried on
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

std::string runGame(const std::string& environment, int& status) {
  return test::runCommand("cd " BLOTWISE_RUN_DIR " && " + environment +
                              " " BLOTWISE_BINARY_DIR "/blotwise 2>&1 </dev/null",
                          status);
}

TEST(GameStartUp, WithoutADisplayItStopsWithStatusOne) {
  int status = 0;
  const std::string output = runGame("env -u DISPLAY -u WAYLAND_DISPLAY", status);
  EXPECT_NE(output.find("ERROR: Could not init glfw"), std::string::npos) << output;
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), 1);
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

}  // namespace
}  // namespace vorn
