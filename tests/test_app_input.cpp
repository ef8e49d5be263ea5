// Keys, mouse and the render toggles: through the game's input seam, as real X input on a display
// of the test's own, and in the key list the README shows. The source tree's folders include one
// another in one direction only.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <X11/keysym.h>
#include <gtest/gtest.h>

#include "app/Hud.h"
#include "app/Toggles.h"
#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/OwnDisplay.h"

namespace vorn {
namespace {

using test::GameDriver;

// Without the effects, which cost the most to draw and play no part here.
class Input : public ::testing::Test {
 protected:
  Input() { game.effectsEnabled = false; }

  // One frame with the keys held down (and nothing else).
  std::string frameWith(std::initializer_list<int> keys, float dt = 1.0f / 60.0f) {
    test::CoutCapture console;
    driver.input->keys = keys;
    driver.frame(dt);
    driver.input->keys.clear();
    return console.text();
  }

  GameDriver driver{160, 120};
  Game& game = driver.game;
  Hud& hud = *world().hud;
};

TEST_F(Input, OneToggleAFrameAndThenACoolDown) {
  driver.frame();
  EXPECT_EQ(frameWith({GLFW_KEY_F2, GLFW_KEY_F3}), "Frame Time: On\n");
  EXPECT_TRUE(game.showFrameTime);
  EXPECT_FALSE(game.wireframe);
  // F3 still held: nothing until 0.3 s have passed.
  for (int i = 0; i < 17; ++i) EXPECT_EQ(frameWith({GLFW_KEY_F3}), "") << "frame " << i;
  EXPECT_EQ(frameWith({GLFW_KEY_F3}), "Wire Frame: On\n");
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_LINE);
  driver.run(0.35f);
  EXPECT_EQ(frameWith({GLFW_KEY_F3}), "Wire Frame: Off\n");
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_FILL);
}

// Each toggle's message goes to the console and to the HUD, where it fades with the game's clock.
// F1 shows the help overlay, which speaks for itself.
TEST_F(Input, EveryToggleAnnouncesItsNewState) {
  driver.frame();
  const struct {
    int key;
    const char* message;
  } presses[] = {
      {GLFW_KEY_F1, ""},
      {GLFW_KEY_F4, "Texture Sampling Quality: Nearest Neighbor"},
      {GLFW_KEY_F5, "MipMapping Quality: Off"},
      {GLFW_KEY_F5, "MipMapping Quality: Nearest Neighbor"},
      {GLFW_KEY_F5, "MipMapping Quality: Linear"},
      {GLFW_KEY_F6, "Sound: Off"},
      {GLFW_KEY_F8, "View-Frustum Culling: Off"},
      {GLFW_KEY_F9, "Transparency: Off"},
      {GLFW_KEY_F7, "Effects: On"},
  };
  for (const auto& press : presses) {
    driver.run(0.35f);
    const std::string expected = *press.message ? std::string(press.message) + "\n" : "";
    EXPECT_EQ(frameWith({press.key}), expected);
    if (*press.message) {
      EXPECT_STREQ(hud.newestText(), press.message);
    }
  }
  EXPECT_TRUE(game.showHelp);
  EXPECT_FALSE(game.soundEnabled);
  EXPECT_EQ(game.mipmapMode, 1);
  EXPECT_TRUE(game.effectsEnabled);
  EXPECT_FALSE(game.bilinearFiltering || game.frustumCulling || game.transparencyEnabled);

  // Alone on the screen: shown fully for 2.5 s of game time, then fading for a second, then gone.
  driver.run(12.0f, 0.2f);
  EXPECT_EQ(hud.messageCount(), 0);
  EXPECT_EQ(frameWith({GLFW_KEY_F7}), "Effects: Off\n");
  driver.frame(2.4f);
  EXPECT_STREQ(hud.messageText(0), "Effects: Off");
  EXPECT_EQ(hud.messageAlpha(0), 1.0f);
  driver.frame(0.6f);
  EXPECT_NEAR(hud.messageAlpha(0), 0.5f, 0.02f);
  driver.frame(0.6f);
  EXPECT_EQ(hud.messageCount(), 0);
}

// Quick toggles overfill the screen: a new message waits while the oldest one shown fades out
// early, and each is shown fully long enough to be read, in the order posted.
TEST_F(Input, QuickTogglesQueueTheirMessagesAndEachCanBeRead) {
  driver.frame();
  const int keys[] = {GLFW_KEY_F4, GLFW_KEY_F8, GLFW_KEY_F9, GLFW_KEY_F4, GLFW_KEY_F8, GLFW_KEY_F9};
  std::vector<std::string> posted;
  std::vector<std::string> seen;       // in the order they came on screen
  std::map<std::string, float> fully;  // seconds each was on screen at full strength
  const float dt = 1.0f / 60.0f;
  auto look = [&] {
    EXPECT_LE(hud.messageCount(), 4);
    for (int i = hud.messageCount() - 1; i >= 0; --i) {
      const std::string text = hud.messageText(i);
      if (std::find(seen.begin(), seen.end(), text) == seen.end()) seen.push_back(text);
      if (hud.messageAlpha(i) == 1.0f) fully[text] += dt;
    }
  };
  for (int key : keys) {
    std::string line = frameWith({key}, dt);
    ASSERT_FALSE(line.empty());
    line.pop_back();
    posted.push_back(line);
    look();
    for (int i = 0; i < 18; ++i) {  // the 0.3 s cool-down
      driver.frame(dt);
      look();
    }
  }
  EXPECT_GT(hud.waitingCount(), 0);
  for (int i = 0; i < 600 && hud.messageCount() > 0; ++i) {
    driver.frame(dt);
    look();
  }
  EXPECT_EQ(hud.messageCount() + hud.waitingCount(), 0);
  EXPECT_EQ(seen, posted);
  for (const std::string& text : posted) EXPECT_GE(fully[text], 1.45f) << text;
}

// A tap between two frames counts in the next frame, once; during the cool-down it is lost, not
// kept for later.
TEST_F(Input, TapCountsInTheNextFrameOnly) {
  driver.frame();
  driver.input->taps = {GLFW_KEY_F2};
  driver.frame(1.0f / 7.0f);
  EXPECT_TRUE(game.showFrameTime);
  driver.input->taps = {GLFW_KEY_F3};
  driver.input->clicks = {GLFW_MOUSE_BUTTON_LEFT};
  driver.frame(0.1f);
  driver.run(0.5f);
  EXPECT_TRUE(game.showFrameTime);
  EXPECT_FALSE(game.wireframe);
  EXPECT_EQ(game.boxCount, 0);
  driver.input->clicks = {GLFW_MOUSE_BUTTON_LEFT};
  driver.run(0.5f);
  EXPECT_EQ(game.boxCount, 1);
}

TEST_F(Input, EscapeTabAndWalkingIgnoreTheCoolDown) {
  driver.frame();
  frameWith({GLFW_KEY_F2});
  const glm::vec3 before = driver.feet();
  frameWith({GLFW_KEY_W, GLFW_KEY_TAB});
  EXPECT_EQ(game.censoredCount, 13);
  game.censoredCount = 14;  // Tab makes it exactly thirteen, whatever it was
  frameWith({GLFW_KEY_TAB});
  EXPECT_EQ(game.censoredCount, 13);
  EXPECT_GT(glm::length(driver.feet() - before), 0.01f);
  frameWith({GLFW_KEY_ESCAPE});
  EXPECT_TRUE(glfwWindowShouldClose(game.window));
}

// The view turns by a tenth of a degree a pixel (sensitivity 100), whatever the frame time.
TEST_F(Input, MouseLookTurnsByTheOffsetAloneAndStopsAtEightyNine) {
  driver.frame();
  scene::CameraActor& camera = *world().camera;
  for (float dt : {1.0f / 7.0f, 1.0f / 60.0f, 1.0f / 1000.0f}) {
    const float yaw = camera.yaw;
    const float pitch = camera.pitch;
    driver.input->cursorX = 80 + 10;  // ten pixels right of the middle of 160 x 120
    driver.input->cursorY = 60 - 2;   // two up
    driver.frame(dt);
    EXPECT_FLOAT_EQ(camera.yaw, yaw + 1.0f) << "dt " << dt;
    EXPECT_FLOAT_EQ(camera.pitch, pitch + 0.2f) << "dt " << dt;
    EXPECT_EQ(driver.input->cursorX, 80);  // put back in the middle
    EXPECT_EQ(driver.input->cursorY, 60);
  }

  driver.input->cursorY = 60 - 1000;
  driver.frame(0.1f);
  EXPECT_EQ(camera.pitch, 89.0f);
  driver.input->cursorY = 60 + 5000;
  driver.frame(0.1f);
  EXPECT_EQ(camera.pitch, -89.0f);
}

// The game reading the real keyboard and mouse through GLFW, on a display nobody else uses.
class RealInput : public ::testing::Test {
 protected:
  // Runs slow frames, each once the window system has delivered what was sent before it.
  void slowFrames(int count) {
    for (int i = 0; i < count; ++i) {
      test::OwnDisplay::reachGame();
      driver.frame(1.0f / 7.0f);
    }
  }

  test::OwnDisplay display;
  GameDriver driver{800, 600, false};  // large enough to hold the middle of the screen
  Game& game = driver.game;
};

// The pointer stands wherever it stood before the game started (the middle of the screen, not of
// the window); capturing it must not turn the view.
TEST_F(RealInput, PointerPositionBeforeTheStartDoesNotTurnTheView) {
  slowFrames(5);
  EXPECT_FLOAT_EQ(world().camera->yaw, -370.0f);
  EXPECT_FLOAT_EQ(world().camera->pitch, 0.0f);
}

// A key or button pressed and released while a slow frame runs still counts, once; the HUD drawn
// in every frame reads no input that would take the press away.
TEST_F(RealInput, TapAndClickWithinOneFrameCountOnce) {
  slowFrames(1);
  test::CoutCapture console;
  display.tapKey(XK_F2);
  slowFrames(3);
  EXPECT_EQ(console.text(), "Frame Time: On\n");
  slowFrames(2);  // the toggle's cool-down
  display.click(1);
  slowFrames(3);
  EXPECT_EQ(game.boxCount, 1);
}

// The key list the README shows is the one the game reads.
TEST(KeyList, ReadmeShowsTheGamesOwnKeyTable) {
  std::ifstream in(BLOTWISE_SOURCE_DIR "/README.md", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  const std::string readme = text.str();
  std::string regenerated = readme;
  ASSERT_TRUE(replaceKeySection(regenerated)) << "the README lost its key markers";
  EXPECT_EQ(readme, regenerated) << "run build/keydoc --readme README.md";
}

TEST(KeyList, EveryToggleIsListedWithEveryStateItCanShow) {
  const std::string markdown = keyTableMarkdown();
  const std::string roff = keyListRoff();
  for (std::size_t i = 0; i < kToggleCount; ++i) {
    const Toggle& t = kToggles[i];
    SCOPED_TRACE(t.keyName);
    EXPECT_NE(markdown.find(std::string("| ") + t.keyName + " | " + t.label + " |"),
              std::string::npos);
    EXPECT_NE(roff.find(std::string(".B ") + t.keyName + "\n" + t.label), std::string::npos);
    for (const std::string& list : {markdown, roff}) {
      for (int s = 0; s < t.states.count; ++s)
        EXPECT_NE(list.find(t.states.texts[s]), std::string::npos);
    }
  }
  for (std::size_t i = 0; i < kPlainKeyCount; ++i)
    EXPECT_NE(roff.find(std::string(".B ") + kPlainKeys[i].key + "\n"), std::string::npos);
}

TEST(KeyList, AReadmeWithoutMarkersIsLeftAlone) {
  std::string readme = "# Keys\nnone\n";
  EXPECT_FALSE(replaceKeySection(readme));
  EXPECT_EQ(readme, "# Keys\nnone\n");
}

// The build links each folder's library against the folders it names in layers.txt, so a call
// against that direction already fails to link. What the linker cannot see is a use that needs no
// symbol (a type, an inline function, a constant) or a folder reached past the one it names: every
// include must name the folder itself, a folder it links or a header it is allowed to read.
TEST(CodeBorders, EveryIncludeRunsInAnAllowedDirection) {
  namespace fs = std::filesystem;
  std::ifstream layers(fs::path(BLOTWISE_BINARY_DIR) / "layers.txt");
  ASSERT_TRUE(layers) << "the build's list of libraries was found";
  const std::regex include(R"re(^\s*#\s*include\s*"(([^/"]+)/[^"]+)")re");
  int checked = 0;
  for (std::string line; std::getline(layers, line);) {
    std::istringstream words(line);
    std::string folder;
    words >> folder;
    std::set<std::string> allowed{folder};
    for (std::string use; words >> use;) allowed.insert(use);
    for (const auto& entry : fs::directory_iterator(fs::path(BLOTWISE_SOURCE_DIR) / folder)) {
      std::ifstream source(entry.path());
      int lineNumber = 0;
      for (std::string text; std::getline(source, text);) {
        ++lineNumber;
        std::smatch match;
        if (!std::regex_search(text, match, include)) continue;
        ++checked;
        EXPECT_TRUE(allowed.count(match[2]) > 0 || allowed.count(match[1]) > 0)
            << entry.path().string() << ":" << lineNumber << ": " << text;
      }
    }
  }
  EXPECT_GT(checked, 100) << "the source tree was found";
}

}  // namespace
}  // namespace vorn
