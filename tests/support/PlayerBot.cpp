#include "support/PlayerBot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include <GLFW/glfw3.h>
#include <glm/geometric.hpp>

#include "app/Game.h"
#include "app/World.h"
#include "base/Degrees.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"

namespace vorn::test {

namespace {

// The game's mouse at its default sensitivity (100 x 0.001 degrees a pixel).
constexpr float kDegreesPerPixel = 0.1f;
// How fast a hand turns the view, in degrees a second.
constexpr float kTurnSpeed = 540.0f;
// The player walks on while the way ahead lies within this many degrees of the view.
constexpr float kWalkingCone = 30.0f;
constexpr float kThrowCooldown = 0.3f;
constexpr float kLitterPitch = -30.0f;
constexpr int kThrowsPerTarget = 5;
constexpr int kUnstickTries = 12;
// Pixels the bot moves the view by, at most, to bring the aim mark onto its target.
constexpr int kMarkSteps = 40;

bool censored(const std::string& target) { return ::scene().get(target)->getName() != target; }

// The pitch (degrees) at which a box thrown from the eye flies through the target, or NaN: the box
// starts one unit ahead (horizontally) and the throw's drop below the eye, at the throw's speed
// along the view, and then falls freely.
float throwPitch(const glm::vec3& eye, const glm::vec3& target) {
  const float horizontal = std::hypot(target.x - eye.x, target.z - eye.z);
  for (float pitch = -70.0f; pitch <= 70.0f; pitch += 0.05f) {
    const float c = std::cos(pitch * kRadiansPerDegree);
    const float s = std::sin(pitch * kRadiansPerDegree);
    const float ahead = horizontal - c;
    if (ahead <= 0.0f) continue;
    const float t = ahead / (kThrowSpeed * c);
    const float height = static_cast<float>(eye.y - kThrowDrop) + kThrowSpeed * s * t -
                         0.5f * kGravity * t * t;
    if (height >= target.y) return pitch;
  }
  return std::nanf("");
}

// The yaw (degrees) that looks from one point towards the other.
float yawTowards(const glm::vec3& from, const glm::vec3& to) {
  return std::atan2(to.z - from.z, to.x - from.x) / kRadiansPerDegree;
}

// The height of the object's bounding box in the world.
float heightOf(scene::SceneObject& object) {
  float low = 1e9f;
  float high = -1e9f;
  for (const glm::vec4& c : object.getWorldCorners()) {
    low = std::min(low, c.y);
    high = std::max(high, c.y);
  }
  return high - low;
}

}  // namespace

PlayerBot::PlayerBot(GameDriver& driver, float frameTime)
    : frameTime(frameTime), driver(driver), input(*driver.input) {
  at = graph.nearest(driver.feet());
}

void PlayerBot::frame() {
  if (litterLeft > 0 && ready()) {
    tap(input.clicks, GLFW_MOUSE_BUTTON_LEFT);
    --litterLeft;
  }
  driver.frame(frameTime);
  time += frameTime;
}

bool PlayerBot::ready() const { return time + frameTime >= nextThrow; }

void PlayerBot::tap(std::set<int>& taps, int key) {
  taps.insert(key);
  // Toggles and throws share the game's cool-down, counted from the frame that sees the tap.
  nextThrow = time + frameTime + kThrowCooldown + 0.5f * frameTime;
}

bool PlayerBot::look(float yaw, float pitch) {
  const scene::CameraActor& camera = *world().camera;
  const float most = std::max(1.0f, std::round(kTurnSpeed * frameTime / kDegreesPerPixel));
  const float turn = std::remainder(yaw - camera.yaw, 360.0f);
  const float x = std::clamp(std::round(turn / kDegreesPerPixel), -most, most);
  const float y = std::clamp(std::round((pitch - camera.pitch) / kDegreesPerPixel), -most, most);
  driver.moveMouse(static_cast<int>(x), -static_cast<int>(y));
  return x == 0.0f && y == 0.0f;
}

void PlayerBot::turnTo(float yaw, float pitch) {
  for (float turned = 0.0f; !look(yaw, pitch) && turned < 3.0f; turned += frameTime) frame();
}

bool PlayerBot::goTo(const glm::vec3& target, float radius) {
  const auto distanceLeft = [&] {
    const glm::vec3 to = target - driver.feet();
    return std::hypot(to.x, to.z);
  };
  float best = distanceLeft();
  float progressAt = time;
  int tries = 0;
  int manoeuvre = 0;  // a key held for a moment to get free
  float manoeuvreUntil = 0.0f;
  while (tries <= kUnstickTries) {
    const float distance = distanceLeft();
    if (distance < radius) {
      input.keys.clear();
      return true;
    }
    if (distance < best - 0.25f) {
      best = distance;
      progressAt = time;
    } else if (time - progressAt > 1.0f) {
      // No headway for a second: jump, step aside or back up, as a player would.
      static const int kManoeuvres[] = {GLFW_KEY_SPACE, GLFW_KEY_A, GLFW_KEY_S, GLFW_KEY_D};
      manoeuvre = kManoeuvres[tries++ % 4];
      manoeuvreUntil = time + 0.5f;
      progressAt = time;
      if (manoeuvre == GLFW_KEY_SPACE) input.taps.insert(GLFW_KEY_SPACE);
    }
    const float yaw = yawTowards(driver.feet(), target);
    look(yaw, walkPitch);
    const float off = std::abs(std::remainder(yaw - world().camera->yaw, 360.0f));
    input.keys.clear();
    const bool backingUp = manoeuvre == GLFW_KEY_S && time < manoeuvreUntil;
    if (!backingUp && off < kWalkingCone) input.keys.insert(GLFW_KEY_W);
    if (time < manoeuvreUntil && manoeuvre != GLFW_KEY_SPACE) input.keys.insert(manoeuvre);
    frame();
  }
  input.keys.clear();
  return false;
}

bool PlayerBot::follow(const std::vector<glm::vec3>& points) {
  for (const glm::vec3& point : points)
    if (!goTo(point, 0.5f)) return false;
  return true;
}

bool PlayerBot::walkTo(const std::string& spot) {
  const int goal = graph.find(spot);
  for (int index : graph.path(at, goal)) {
    if (!goTo(graph.spots[index].feet, index == goal ? 0.3f : 0.5f)) return false;
    at = index;
  }
  return true;
}

bool PlayerBot::throwAt(const std::string& target, const glm::vec3& aim) {
  const glm::vec3 eye = world().camera->position;
  float pitch = throwPitch(eye, aim);
  if (std::isnan(pitch)) pitch = 45.0f;  // out of reach: as far as a throw goes
  const float yaw = yawTowards(eye, aim);
  turnTo(yaw, pitch);
  pitch = settleOnMark(target, aim, yaw, pitch);
  while (!ready()) {
    look(yaw, pitch);
    frame();
  }
  tap(input.clicks, GLFW_MOUSE_BUTTON_LEFT);
  frame();
  ++boxes;

  // Watch the box until it hits, comes to rest or two seconds have passed.
  const std::string name = "box" + std::to_string(driver.game.boxCount);
  for (float watched = 0.0f; watched < 2.0f && !censored(target); watched += frameTime) {
    const std::shared_ptr<scene::SceneObject> box = ::scene().get(name);
    if (!box) break;  // it censored something else
    if (watched > 0.3f && glm::length(box->getActor()->getLinearVelocity()) < 0.3f) break;
    frame();
  }
  return censored(target);
}

float PlayerBot::settleOnMark(const std::string& target, const glm::vec3& aim, float yaw,
                             float pitch) {
  const scene::SceneObject* object = ::scene().get(target).get();
  for (int step = 0; step < kMarkSteps; ++step) {
    const AimMark& mark = driver.game.aim;
    if (!mark.found) break;
    const scene::SceneObject* touched = mark.touched;
    if (mark.onTarget && touched == object) break;
    const glm::vec3 eye = world().camera->position;
    const float markAhead = std::hypot(mark.point.x - eye.x, mark.point.z - eye.z);
    const float aimAhead = std::hypot(aim.x - eye.x, aim.z - eye.z);
    // Short of the target: the box meets something on the way or falls too soon, so higher.
    pitch += markAhead < aimAhead ? kDegreesPerPixel : -kDegreesPerPixel;
    look(yaw, pitch);
    frame();
  }
  return pitch;
}

bool PlayerBot::censor(const std::string& target) {
  if (!walkTo(target)) return false;
  // A little above the middle, clear of the edge of whatever the object stands on; after a miss
  // (the box met something on the way or fell short) higher still.
  const float height = heightOf(*::scene().get(target));
  for (int throws = 0; throws < kThrowsPerTarget; ++throws) {
    const glm::vec3 above(0.0f, (0.25f + 0.1f * throws) * height, 0.0f);
    if (throwAt(target, centreOf(*::scene().get(target)) + above)) return true;
    ++misses;
    std::printf("%s missed\n", target.c_str());
  }
  return false;
}

void PlayerBot::press(int key) {
  while (!ready()) frame();
  tap(input.taps, key);
  frame();
}

bool PlayerBot::censorAll() {
  playStart = time;
  std::vector<int> left;
  for (const scene::LevelEntry& entry : scene::levelLayout())
    if (scene::isCensorable(entry.name)) left.push_back(graph.find(entry.name));
  bool all = true;
  while (!left.empty()) {
    const auto nearest = std::min_element(left.begin(), left.end(), [&](int a, int b) {
      return graph.distance(at, a) < graph.distance(at, b);
    });
    const std::string target = graph.spots[*nearest].name;
    left.erase(nearest);
    if (!censored(target) && !censor(target)) all = false;
  }
  return all;
}

bool PlayerBot::win() {
  if (!walkTo("win room")) return false;
  for (float waited = 0.0f; waited < 7.0f && !driver.game.shouldClose(); waited += frameTime)
    frame();
  return driver.game.hasWon && driver.game.shouldClose();
}

void PlayerBot::litter(int count) {
  if (count == 0) return;
  litterLeft = count;
  walkPitch = kLitterPitch;
  walkTo("stair top");
  walkTo("start");
  while (litterLeft > 0) {
    look(0.0f, walkPitch);
    frame();
  }
  walkPitch = 0.0f;
}

std::string PlayerBot::summary() const {
  char line[96];
  std::snprintf(line, sizeof line, "play-through: %d boxes, %d misses, %.1f s game time", boxes,
                misses, playTime());
  return line;
}

}  // namespace vorn::test
