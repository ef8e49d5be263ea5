// The game started in a directory whose data is missing or damaged. Without shaders it stops with
// status 1 and names the file; without models it runs and names every model it could not load; a
// damaged model is left out of the level, a damaged image draws empty, and the game goes on.
#include <sys/stat.h>
#include <sys/wait.h>

#include <filesystem>
#include <random>
#include <string>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/Command.h"
#include "support/GameDriver.h"
#include "support/ScratchDirectory.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using test::GameDriver;

const fs::path kRunDir = BLOTWISE_RUN_DIR;

// A working directory of the test's own, made from parts of the real one.
class DataDirectory : public test::ScratchDirectory {
 public:
  explicit DataDirectory(const std::string& name) : ScratchDirectory(name) {}

  void copy(const std::string& part) const {
    fs::copy(kRunDir / part, path / part, fs::copy_options::recursive);
  }

  // Runs the game binary here; returns what it printed on both streams.
  std::string runGame(int& status) const {
    return test::runCommand(
        "cd '" + path.string() + "' && " BLOTWISE_BINARY_DIR "/blotwise 2>&1 </dev/null", status);
  }
};

// Runs the game in-process inside the directory, so a test can drive it frame by frame.
class InDirectory {
 public:
  explicit InDirectory(const fs::path& path) : previous(fs::current_path()) {
    fs::current_path(path);
  }
  ~InDirectory() { fs::current_path(previous); }

 private:
  const fs::path previous;
};

// Every toggle once, a few boxes, some walking: the frames a player would make at once.
void playABit(GameDriver& driver) {
  for (int key : {GLFW_KEY_F2, GLFW_KEY_F3, GLFW_KEY_F4, GLFW_KEY_F5, GLFW_KEY_F7, GLFW_KEY_F8,
                  GLFW_KEY_F9, GLFW_KEY_F3, GLFW_KEY_F7}) {
    driver.input->keys.insert(key);
    driver.frame();
    driver.input->keys.erase(key);
    driver.runUntil([] { return false; }, 0.35f);
  }
  for (int i = 0; i < 3; ++i) {
    driver.throwBox();
    driver.runUntil([] { return false; }, 0.35f);
  }
  driver.input->keys.insert(GLFW_KEY_W);
  driver.runUntil([] { return false; }, 1.0f);
  driver.input->keys.clear();
}

// Shader files missing, empty or no regular file (a pipe with no writer would hold the start for
// ever): the game stops at once with status 1 and the error.
TEST(MissingData, ABrokenShaderStopsTheGameNamingIt) {
  struct Case {
    const char* name;
    const char* shader;  // the file taken away, or "" for the whole directory
    const char* replacement;
    const char* error;
  };
  const Case cases[] = {
      {"noshaders", "", "", "ERROR: Failed To Open Shader File ./Shader/spotShadowMap.vert\n"},
      {"missing", "gauss.frag", "", "ERROR: Failed To Open Shader File ./Shader/gauss.frag\n"},
      {"pipe", "gauss.frag", "pipe", "ERROR: Failed To Open Shader File ./Shader/gauss.frag\n"},
      {"empty", "blinn_phong.frag", "empty", "ERROR: Failed To Compile Shader: fragmentShader\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    DataDirectory dir(c.name);
    dir.copy("Resources");
    if (*c.shader) {
      dir.copy("Shader");
      const fs::path shader = dir.path / "Shader" / c.shader;
      fs::remove(shader);
      if (c.replacement == std::string("pipe")) {
        ASSERT_EQ(mkfifo(shader.c_str(), 0600), 0);
      }
      if (c.replacement == std::string("empty")) dir.write(std::string("Shader/") + c.shader, "");
    }
    int status = 0;
    const std::string output = dir.runGame(status);
    EXPECT_NE(output.find(c.error), std::string::npos) << output;
    ASSERT_TRUE(WIFEXITED(status)) << "ended by a signal: " << output;
    EXPECT_EQ(WEXITSTATUS(status), 1) << output;
  }
}

// Without Resources/ there is no level, no player model, no box and no post-processing geometry;
// every one of them is named, and the game still runs, draws and takes input.
TEST(MissingData, WithoutResourcesTheGameRunsAndNamesEveryMissingModel) {
  DataDirectory dir("noresources");
  dir.copy("Shader");
  InDirectory inside(dir.path);
  // The model import reports through C stdio, so the streams are captured below the libraries.
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  {
    GameDriver driver(160, 120);
    playABit(driver);
    EXPECT_TRUE(::scene().opaque().empty());
    EXPECT_TRUE(::scene().transparent().empty());
    EXPECT_EQ(driver.game.boxCount, 3);
    EXPECT_FALSE(driver.game.postProcessing());
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("Error parsing './Resources/cube.obj'"), std::string::npos) << printed;
  EXPECT_NE(errors.find("ERROR: no post-processing geometry (./Resources/cube.obj); bloom stays off"),
            std::string::npos);
  EXPECT_NE(printed.find("Error parsing './Resources/Human/basic_male.obj'"), std::string::npos);
  for (const scene::LevelEntry& entry : scene::levelLayout())
    EXPECT_NE(errors.find("ERROR: '" + std::string(entry.name) + "' has no model (./" +
                          entry.modelFile + ")"),
              std::string::npos)
        << entry.name;
  EXPECT_NE(errors.find("ERROR: no box thrown: ./Resources/Censorable/box.obj gave no body"),
            std::string::npos)
      << errors;
}

// Damaged files in place of the game's own: a building part, a loose censorable object, a
// censored variant, the building's images and a sound, and a sound missing. Each is named; the rest of the
// level is built and played, the two sounds silent.
TEST(DamagedData, DamagedModelsAreLeftOutAndTheGameRuns) {
  DataDirectory dir("damaged");
  dir.copy("Shader");
  dir.copy("Resources");
  std::mt19937 random(11);
  std::string noise(4000, '\0');
  for (char& c : noise) c = static_cast<char>(random());
  dir.write("Resources/Furniture/couch_low.obj", noise);
  dir.write("Resources/Censorable/pothead.obj", "v 0 0 0\nf 1 2 99\n");
  dir.write("Resources/Censorable/newspaper_censored.obj", "");
  dir.write("Resources/Sound/bleep.wav", noise);
  fs::remove(dir.path / "Resources/Sound/throw.wav");
  for (const auto& file : fs::recursive_directory_iterator(dir.path / "Resources/Building"))
    if (file.path().extension() == ".png" || file.path().extension() == ".jpg")
      dir.write(fs::relative(file.path(), dir.path).string(), noise.substr(0, 300));

  InDirectory inside(dir.path);
  // The model import reports through C stdio, so the streams are captured below the libraries.
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  {
    GameDriver driver(160, 120);
    Game& game = driver.game;
    for (const char* name : {"ap2_couch", "ap4_couch1", "c_ap3_pothead1", "c_ap3_pothead2"})
      EXPECT_FALSE(::scene().get(name)) << name;
    EXPECT_TRUE(::scene().get("hallway"));
    EXPECT_TRUE(::scene().get("c_ap2_newspaper1"));

    // A hit on the newspaper whose censored model is damaged leaves it as it is.
    game.physics->pendingTarget = ::scene().get("c_ap2_newspaper1").get();
    driver.frame();
    EXPECT_EQ(game.censoredCount, 0);
    EXPECT_TRUE(::scene().get("c_ap2_newspaper1"));

    playABit(driver);
    EXPECT_EQ(game.boxCount, 3);
  }
  const std::string printed = testing::internal::GetCapturedStdout();
  const std::string errors = testing::internal::GetCapturedStderr();
  EXPECT_NE(printed.find("Error parsing './Resources/Furniture/couch_low.obj'"), std::string::npos)
      << printed;
  for (const char* error :
       {"ERROR: 'ap2_couch' has no model (./Resources/Furniture/couch_low.obj)",
        "ERROR: 'c_ap3_pothead1' has no model (./Resources/Censorable/pothead.obj)",
        "ERROR: 'c_ap2_newspaper1' stays uncensored: "
        "./Resources/Censorable/newspaper_censored.obj gave no body",
        "ERROR: Could not load sound ./Resources/Sound/bleep.wav: ",
        "ERROR: Could not load sound ./Resources/Sound/throw.wav: "})
    EXPECT_NE(errors.find(error), std::string::npos) << error << "\n" << errors;
}

}  // namespace
}  // namespace vorn
