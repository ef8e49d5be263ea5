// Many games, one after another, in one process: each gives back at its teardown what it took
// (file descriptors, threads, the world's objects), so the next one starts like the first.
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"

// Xlib's own header defines None and Bool as macros, which collide with the test framework.
extern "C" {
struct _XDisplay;
_XDisplay* XOpenDisplay(const char* name);
int XCloseDisplay(_XDisplay* display);
}

namespace vorn {
namespace {

using test::GameDriver;

// Open file descriptors and threads of this process.
std::pair<long, long> processResources() {
  auto entries = [](const char* directory) {
    return std::distance(std::filesystem::directory_iterator(directory), {});
  };
  return {entries("/proc/self/fd"), entries("/proc/self/task")};
}

void playABit(GameDriver& driver) {
  driver.frame();
  driver.throwBox();
  driver.input->keys.insert(GLFW_KEY_F7);
  driver.frame();
  driver.input->keys.clear();
  driver.run(0.2f);
}

// The X server of a virtual display resets itself whenever its last client leaves and drops a
// client that connects during that reset, so a game started right after another one's teardown
// may find no display ("ERROR: Could not init glfw"). A connection held for the whole test keeps
// the server from resetting; the games themselves leave nothing behind (checked below).
TEST(Restart, TenGamesOneAfterAnotherLeaveNothingBehind) {
  const std::unique_ptr<_XDisplay, int (*)(_XDisplay*)> hold(XOpenDisplay(nullptr), XCloseDisplay);
  ASSERT_NE(hold, nullptr) << "no display: run the tests under xvfb-run";

  std::vector<std::pair<long, long>> after;
  for (int game = 0; game < 10; ++game) {
    {
      GameDriver driver(160, 120);
      playABit(driver);
      ASSERT_TRUE(::scene().get("box1")) << "game " << game;
    }
    const World& w = world();
    EXPECT_TRUE(!sceneRegistry && !w.camera && !w.textureObject && !w.armMesh && !w.assets &&
                !w.hud && !w.sounds)
        << "game " << game;
    after.push_back(processResources());
  }
  // The first game may leave what libraries keep for the whole process (the driver's caches).
  for (std::size_t game = 2; game < after.size(); ++game)
    EXPECT_EQ(after[game], after[1]) << "game " << game << ": files, threads";
}

// With no audio device at all (OpenAL offered no back-end it can open) the game says so once and
// plays to its end in silence. OpenAL picks its back-ends once per process, so this game runs in a
// process of its own, which exits with 0 when all went as it should.
TEST(Restart, WithoutAnAudioDeviceTheGameSaysSoOnceAndPlaysToItsEnd) {
  EXPECT_EXIT(
      {
        setenv("ALSOFT_DRIVERS", "none", 1);
        testing::internal::CaptureStdout();
        bool closed = false;
        {
          GameDriver driver(160, 120, true, false);  // the default device, of which there is none
          playABit(driver);
          driver.run(0.35f);
          driver.input->taps = {GLFW_KEY_F6};
          driver.frame();
          driver.input->taps = {GLFW_KEY_TAB};
          world().camera->position = glm::vec3(5, 8.6f, -15);  // an eye in the win room
          driver.game.updateLogic(0.05f);
          closed = driver.runUntil([&] { return glfwWindowShouldClose(driver.game.window); }, 6.0f,
                                   0.05f);
        }
        const std::string printed = testing::internal::GetCapturedStdout();
        const char* const notice = "No audio device: the game runs without sound\n";
        const bool once = printed.find(notice) == 0 && printed.rfind(notice) == 0;
        const bool won =
            printed.find("Sound: there is no audio device\nYOU WON!\n") != std::string::npos;
        std::fprintf(stderr, "%s", printed.c_str());
        std::exit(closed && once && won ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vorn
