#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "app/Platform.h"
#include "assets/Texture.h"
#include "physics/Physics.h"

struct GLFWwindow;

namespace vorn {

struct RenderSettings;
class AudioDevice;

namespace scene {
class MeshObject;
class SceneObject;
}  // namespace scene
// Where a box thrown now would first touch something, for the HUD's aim mark.
struct AimMark {
  bool found = false;                           // it meets something within a few seconds
  bool onTarget = false;                        // a censorable object not yet censored
  const scene::SceneObject* touched = nullptr;  // may be gone by the next frame: compare only
  glm::vec3 point{0.0f};
  float screenY = 0.0f;  // the point's height on the screen, pixels from the top
};

// After the win the window closes once this much frame time has passed.
constexpr uint32_t kCloseAfterWinMs = 5000;
// A thrown box flies at this many times the viewing direction, from a point this far below the
// eye.
constexpr float kThrowSpeed = 10.0f;
constexpr double kThrowDrop = 0.5;

class Game {
 public:
  Game(int32_t width, int32_t height, int32_t fullscreen, int32_t refreshRate);
  ~Game();
  Game(const Game&) = delete;
  Game& operator=(const Game&) = delete;

  // Start-up, the main loop until the window is to close, teardown.
  void run();

  // The pieces of run(), for tests that drive frames themselves.
  void startUp();
  void runFrame();
  bool shouldClose() const;
  void shutDown();

  // Whole milliseconds of the frame (frameMillis) from its dt; the fraction of a millisecond is
  // carried into the next frame so every millisecond timer advances at any frame rate.
  void measureFrame(float dt);

  // The frame-time report, the draw-count request and the win timer, fed with the milliseconds
  // of the frame that started last.
  void updateConsoleTimers();

  // Every model file the world set-up loads, in the order it loads them.
  std::vector<std::string> worldModelFiles() const;
  void initWorld(GLFWwindow* window);
  void destroyWorld();
  void buildLevel();
  // MeshObject::loadModel with the world's caches, cooking and scene.
  bool loadModel(scene::MeshObject& object, const PhysicsMaterial& material, float scaleX,
                 float scaleY, float scaleZ);

  void applyCensoring();
  void handleInput(float dt);
  void throwBox();
  // Follows the flight a box thrown now would take, for the aim mark.
  void updateAim();
  void checkWin();
  void animateArm(float dt);
  void checkLightSwitch();
  void updateLightEvents(float dt);
  // Writes the line to the console and shows it on the HUD.
  void announce(const std::string& message);
  bool hasSoundDevice() const;

  // The steps of a frame, public for the benchmark that times them one by one.
  void stepPhysics(float dt);
  // Censoring, input, win check, arm, light events and console timers, in the frame's order.
  void updateLogic(float dt);
  void renderShadows();
  void renderScene();
  void renderPostProcess();
  // The HUD over the finished picture, its messages aged by dt.
  void renderHud(float dt);
  // Bloom and blur need the screen quad of Resources/cube.obj; without it they stay off.
  bool postProcessing() const;
  RenderSettings renderSettings() const;

  // Fields, in the order the game declares them.
  int32_t width;
  int32_t height;
  float nearPlane = 0.0f;
  float farPlane = 0.0f;
  int32_t fullscreen;
  int32_t refreshRate;
  std::unique_ptr<Physics> physics;
  int32_t boxCount = 0;
  float armAngle = 0.0f;
  bool armRising = true;
  std::string basePath;
  GLFWwindow* window = nullptr;
  bool showFrameTime = false;
  bool wireframe = false;
  bool bilinearFiltering = true;
  int32_t mipmapMode = kMipmapLinear;
  bool effectsEnabled = true;
  bool frustumCulling = true;
  bool transparencyEnabled = true;
  float keyCooldown = 0.0f;
  uint32_t frameCount = 0;
  uint32_t frameTimeMs = 0;
  bool lightsSwitched = false;
  uint32_t flickerTimerMs = 0;
  bool reportDrawCount = false;
  uint32_t drawReportTimerMs = 0;
  int32_t censoredCount = 0;
  bool hasWon = false;
  bool wasInWinRoom = false;  // at the last win check
  uint32_t winTimerMs = 0;
  uint32_t frameMillis = 0;
  bool hasScreenQuad = false;
  bool showHelp = false;                // the F1 overlay
  bool soundEnabled = true;             // F6
  int32_t objectsDrawn = 0;             // by the last scene pass
  AimMark aim;                          // as of the last frame drawn
  glm::mat4 frameViewProjection{1.0f};  // the camera's, as the scene pass last drew it

  // Seams: the real game reads GLFW; tests may install their own before startUp().
  std::unique_ptr<Clock> clock;
  std::unique_ptr<InputSource> input;
  // The next world's sound output in place of the default device, taken when the world is built.
  std::unique_ptr<AudioDevice> audioDevice;

 private:
  void renderFrame(float dt);
  glm::mat4 projectionMatrix() const;
  void tellWhatIsLeft();

  double lastTime = 0.0;
  int64_t carriedMicroseconds = 0;
};

}  // namespace vorn
