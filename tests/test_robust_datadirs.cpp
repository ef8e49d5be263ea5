// The game in a directory whose data is missing or damaged: without shaders it stops with status
// 1 naming the file, without models it runs naming each, a damaged file is left out and the game
// goes on. Games one after another in one process each give back at teardown what they took.
#include <sys/stat.h>
#include <sys/wait.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/Command.h"
#include "support/GameDriver.h"
#include "support/ScratchDirectory.h"

// Xlib's own header defines None and Bool as macros, which collide with the test framework.
extern "C" {
struct _XDisplay;
_XDisplay* XOpenDisplay(const char* name);
int XCloseDisplay(_XDisplay* display);
}

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::GameDriver;

// A working directory of the test's own, made from parts of the real one.
class DataDirectory : public test::ScratchDirectory {
 public:
  explicit DataDirectory(const std::string& name) : ScratchDirectory(name) {}

  void copy(const std::string& part) const {
    fs::copy(fs::path(BLOTWISE_RUN_DIR) / part, path / part, fs::copy_options::recursive);
  }

  // Runs the game in-process here, handing it to `play`; returns what it printed on both streams
  // (captured below the libraries: the model import reports through C stdio).
  std::string playGame(const std::function<void(GameDriver&)>& play) const {
    const fs::path previous = fs::current_path();
    fs::current_path(path);
    testing::internal::CaptureStdout();
    testing::internal::CaptureStderr();
    {
      GameDriver driver(160, 120);
      play(driver);
    }
    fs::current_path(previous);
    return testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr();
  }
};

// Every toggle once, a few boxes, some walking: the frames a player would make at once.
void playABit(GameDriver& driver) {
  for (int key : {GLFW_KEY_F2, GLFW_KEY_F3, GLFW_KEY_F4, GLFW_KEY_F5, GLFW_KEY_F7, GLFW_KEY_F8,
                  GLFW_KEY_F9, GLFW_KEY_F3, GLFW_KEY_F7}) {
    driver.input->keys = {key};
    driver.frame();
    driver.input->keys.clear();
    driver.run(0.35f);
  }
  for (int i = 0; i < 3; ++i) {
    driver.throwBox();
    driver.run(0.35f);
  }
  driver.input->keys = {GLFW_KEY_W};
  driver.run(1.0f);
  driver.input->keys.clear();
}

// Shader files missing, empty or no regular file (a pipe with no writer would hold the start for
// ever): the game stops at once with status 1 and the error.
TEST(MissingData, ABrokenShaderStopsTheGameNamingIt) {
  const std::tuple<const char*, std::string, const char*> cases[] = {
      // the shader taken away ("" for the whole directory), what replaces it, the error
      {"", "", "Failed To Open Shader File ./Shader/spotShadowMap.vert\n"},
      {"gauss.frag", "", "Failed To Open Shader File ./Shader/gauss.frag\n"},
      {"gauss.frag", "pipe", "Failed To Open Shader File ./Shader/gauss.frag\n"},
      {"blinn_phong.frag", "empty", "Failed To Compile Shader: fragmentShader\n"},
  };
  for (const auto& [shader, replacement, error] : cases) {
    SCOPED_TRACE(std::string(shader) + " " + replacement);
    DataDirectory dir(std::string("shader_") + shader + replacement);
    dir.copy("Resources");
    if (*shader) {
      dir.copy("Shader");
      const fs::path file = dir.path / "Shader" / shader;
      fs::remove(file);
      ASSERT_TRUE(replacement != "pipe" || mkfifo(file.c_str(), 0600) == 0) << file;
      if (replacement == "empty") dir.write(std::string("Shader/") + shader, "");
    }
    int status = 0;
    const std::string output = test::runCommand(
        "cd '" + dir.path.string() + "' && " BLOTWISE_BINARY_DIR "/blotwise 2>&1 </dev/null",
        status);
    EXPECT_NE(output.find(std::string("ERROR: ") + error), std::string::npos) << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
  }
}

// Without Resources/ there is no level, no player model, no box and no post-processing geometry;
// every one of them is named, and the game still runs, draws and takes input.
TEST(MissingData, WithoutResourcesTheGameRunsAndNamesEveryMissingModel) {
  DataDirectory dir("noresources");
  dir.copy("Shader");
  const std::string printed = dir.playGame([](GameDriver& driver) {
    playABit(driver);
    EXPECT_TRUE(::scene().opaque().empty());
    EXPECT_TRUE(::scene().transparent().empty());
    EXPECT_EQ(driver.game.boxCount, 3);
    EXPECT_FALSE(driver.game.postProcessing());
  });
  std::vector<std::string> messages = {
      "Error parsing './Resources/cube.obj'",
      "ERROR: no post-processing geometry (./Resources/cube.obj); bloom stays off",
      "Error parsing './Resources/Human/basic_male.obj'",
      "ERROR: no box thrown: ./Resources/Censorable/box.obj gave no body"};
  for (const scene::LevelEntry& entry : scene::levelLayout())
    messages.push_back("ERROR: '" + std::string(entry.name) + "' has no model (./" +
                       entry.modelFile + ")");
  for (const std::string& message : messages)
    EXPECT_NE(printed.find(message), std::string::npos) << message;
}

// Damaged files in place of the game's own: a building part, a loose censorable object, a
// censored variant, the building's images and a sound, and a sound missing. Each is named; the
// rest of the level is built and played, the two sounds silent.
TEST(DamagedData, DamagedModelsAreLeftOutAndTheGameRuns) {
  DataDirectory dir("damaged");
  dir.copy("Shader");
  dir.copy("Resources");
  const std::string noise(4000, '\x9c');
  dir.write("Resources/Furniture/couch_low.obj", noise);
  dir.write("Resources/Censorable/pothead.obj", "v 0 0 0\nf 1 2 99\n");
  dir.write("Resources/Censorable/newspaper_censored.obj", "");
  dir.write("Resources/Sound/bleep.wav", noise);
  fs::remove(dir.path / "Resources/Sound/throw.wav");
  for (const auto& file : fs::recursive_directory_iterator(dir.path / "Resources/Building"))
    if (file.path().extension() == ".png" || file.path().extension() == ".jpg")
      dir.write(fs::relative(file.path(), dir.path).string(), noise.substr(0, 300));

  const std::string printed = dir.playGame([](GameDriver& driver) {
    for (const char* name : {"ap2_couch", "ap4_couch1", "c_ap3_pothead1", "c_ap3_pothead2"})
      EXPECT_FALSE(::scene().get(name)) << name;
    EXPECT_TRUE(::scene().get("hallway"));
    // A hit on the newspaper whose censored model is damaged leaves it as it is.
    driver.game.physics->pendingTarget = ::scene().get("c_ap2_newspaper1").get();
    driver.frame();
    EXPECT_EQ(driver.game.censoredCount, 0);
    EXPECT_TRUE(::scene().get("c_ap2_newspaper1"));
    playABit(driver);
    EXPECT_EQ(driver.game.boxCount, 3);
  });
  for (const char* message :
       {"Error parsing './Resources/Furniture/couch_low.obj'",
        "ERROR: 'ap2_couch' has no model (./Resources/Furniture/couch_low.obj)",
        "ERROR: 'c_ap3_pothead1' has no model (./Resources/Censorable/pothead.obj)",
        "ERROR: 'c_ap2_newspaper1' stays uncensored: "
        "./Resources/Censorable/newspaper_censored.obj gave no body",
        "ERROR: Could not load sound ./Resources/Sound/bleep.wav: ",
        "ERROR: Could not load sound ./Resources/Sound/throw.wav: "})
    EXPECT_NE(printed.find(message), std::string::npos) << message;
}

// A few frames with a thrown box and the effects toggled.
void throwAndToggle(GameDriver& driver) {
  driver.frame();
  driver.throwBox();
  driver.input->keys.insert(GLFW_KEY_F7);
  driver.frame();
  driver.input->keys.clear();
  driver.run(0.2f);
}

// Open file descriptors and threads of this process.
std::pair<long, long> processResources() {
  auto entries = [](const char* directory) {
    return std::distance(std::filesystem::directory_iterator(directory), {});
  };
  return {entries("/proc/self/fd"), entries("/proc/self/task")};
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
      throwAndToggle(driver);
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

// With no audio device at all (OpenAL's one back-end, ALSA, knows no device: its configuration is
// empty, whatever the machine has) the game says so once, the libraries' own complaints stay off
// the console, and it plays to its end in silence. OpenAL picks its back-ends once per process, so
// this game runs in a process of its own, which exits with 0 when all went as it should.
TEST(Restart, WithoutAnAudioDeviceTheGameSaysSoOnceAndPlaysToItsEnd) {
  EXPECT_EXIT(
      {
        setenv("ALSOFT_DRIVERS", "alsa", 1);
        setenv("ALSA_CONFIG_PATH", "/dev/null", 1);
        testing::internal::CaptureStderr();
        testing::internal::CaptureStdout();
        bool closed = false;
        {
          GameDriver driver(160, 120, true, false);  // the default device, of which there is none
          throwAndToggle(driver);
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
        const std::string complaints = testing::internal::GetCapturedStderr();
        const bool quiet = complaints.find("ALSA") == std::string::npos &&
                           complaints.find("AL lib") == std::string::npos;
        const char* const notice = "No audio device: the game runs without sound\n";
        const bool once = printed.find(notice) == 0 && printed.rfind(notice) == 0;
        const bool won =
            printed.find("Sound: there is no audio device\nYOU WON!\n") != std::string::npos;
        std::fprintf(stderr, "%s%s", complaints.c_str(), printed.c_str());
        std::exit(closed && once && won && quiet ? 0 : 1);
      },
      ::testing::ExitedWithCode(0), "");
}

}  // namespace
}  // namespace vorn
