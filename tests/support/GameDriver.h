#pragma once

#include <functional>
#include <iostream>
#include <set>
#include <sstream>
#include <string>

#include <glm/vec3.hpp>

#include "app/Game.h"
#include "app/Platform.h"
#include "scene/SceneObject.h"
#include "support/LoopbackAudio.h"

namespace vorn::test {

// Time that only moves when the test says so.
class ManualClock : public Clock {
 public:
  double now() override { return time; }
  double time = 100.0;
};

// Keys and buttons the test holds down, or taps (pressed and released between two frames: down
// when the game next asks, once, as GLFW's sticky keys and buttons report them). The cursor stays
// at the window centre unless moved.
class ScriptedInput : public InputSource {
 public:
  bool keyDown(int key) override { return keys.count(key) > 0 || taps.erase(key) > 0; }
  bool mouseButtonDown(int button) override {
    return buttons.count(button) > 0 || clicks.erase(button) > 0;
  }
  void getWindowSize(int& w, int& h) override { w = width, h = height; }
  void getCursorPos(double& x, double& y) override { x = cursorX, y = cursorY; }
  void setCursorPos(double x, double y) override { cursorX = x, cursorY = y; }

  std::set<int> keys;
  std::set<int> taps;
  std::set<int> buttons;
  std::set<int> clicks;
  int width = 0;
  int height = 0;
  double cursorX = 0.0;
  double cursorY = 0.0;
};

// Collects what the game writes to std::cout while it lives; the test framework's own messages
// (printf) still reach the console.
class CoutCapture {
 public:
  CoutCapture() : saved(std::cout.rdbuf(captured.rdbuf())) {}
  ~CoutCapture() { std::cout.rdbuf(saved); }
  std::string text() const { return captured.str(); }

 private:
  std::ostringstream captured;
  std::streambuf* saved;
};

// Runs the real game (window, level, physics, rendering) frame by frame with scripted input and
// chosen frame times. Its sound goes to a loopback device, mixed after each frame for that frame's
// time; every OpenGL error of the game fails the test. Needs a display (tests run under xvfb-run).
class GameDriver {
 public:
  // With scriptedInput false the game reads the real keyboard and mouse through GLFW; with
  // loopbackSound false it opens the default audio device as it does outside the tests.
  GameDriver(int width = 320, int height = 240, bool scriptedInput = true,
             bool loopbackSound = true);
  ~GameDriver();

  // One frame of dt seconds, then its sound.
  void frame(float dt = 1.0f / 60.0f);
  // Frames until the condition holds or the game time runs out; true when it held.
  template <typename Condition>
  bool runUntil(Condition done, float seconds, float dt = 1.0f / 60.0f) {
    for (float t = 0; t < seconds; t += dt) {
      if (done()) return true;
      frame(dt);
    }
    return done();
  }

  // Frames for the game time, hands off.
  void run(float seconds, float dt = 1.0f / 60.0f) {
    runUntil([] { return false; }, seconds, dt);
  }

  // The controller's feet position (capsule centre less 1.6).
  glm::vec3 feet() const;

  // Moves the mouse by whole pixels (right, down) from the window centre, where the game puts the
  // cursor back each frame: the next frame reads the movement.
  void moveMouse(int right, int down);
  // Clicks the left button between two frames and runs the frame that sees the click.
  void throwBox();

  // Run after every frame, when set: for checks that must see each frame the game draws.
  std::function<void()> afterFrame;

  // Before the game: its members are released after the game's world.
  LoopbackAudio sound;
  Game game;
  ManualClock* clock;
  ScriptedInput* input = nullptr;
};

// The middle of the object's bounding box in the world.
glm::vec3 centreOf(scene::SceneObject& object);

// Moves the object to the point and stops it there, as a hand holding it would, for the next frame.
void holdAt(scene::SceneObject& object, const glm::vec3& point);

}  // namespace vorn::test
