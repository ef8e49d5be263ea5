#include "support/PlayerBot.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>
#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>

#include "app/Game.h"
#include "app/World.h"
#include "base/Degrees.h"
#include "scene/BuildingPlan.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"

namespace vorn::test {

namespace {

struct Spot {
  const char* name;
  const char* frame;  // the placed object whose frame the feet are given in, or world coordinates
  glm::vec3 feet;
};

// The corridor and the stairs in world coordinates; the doors and the rooms behind them in their
// apartment's frame, where the door stands at the origin, the corridor lies towards +z and a
// ground-floor flat's entrance hall ends at a partition 5 units in with a wide gap.
const Spot kSpots[] = {
    // Ground-floor corridor, west to east, and the switchback staircase up to the upper corridor.
    {"start", nullptr, {-15, 0, 0}},
    {"door 4", "apartment4", {0, 0, 1.6f}},
    {"door 3", "apartment3", {0, 0, 1.6f}},
    {"door 2", "apartment2", {0, 0, 1.6f}},
    {"door 1", "apartment1", {0, 0, 1.6f}},
    {"stair foot", nullptr, {scene::kStairHallX.lo - 0.4f, 0, 1.6f}},
    {"landing east", nullptr, {scene::kLandingStart + 0.5f, scene::kLandingHeight, 1.6f}},
    {"landing", nullptr, {21.2f, scene::kLandingHeight, 0}},
    {"landing west", nullptr, {20.2f, scene::kLandingHeight, -1.6f}},
    {"stair top", nullptr, {scene::kStairHallX.lo - 1.0f, scene::kUpperFloor, -1.6f}},
    {"door 5", "apartment5", {0, 0, 1.6f}},
    {"door 6", "apartment6", {0, 0, 1.6f}},
    // Apartment 4: around the couches to the back wall with the posters.
    {"hall 4", "apartment4", {0, 0, -2.9f}},
    {"room 4", "apartment4", {0, 0, -6.9f}},
    {"room 4 east", "apartment4", {3.6f, 0, -6.9f}},
    {"room 4 back", "apartment4", {3.6f, 0, -13.4f}},
    {"c_ap4_poster1", "apartment4", {3.8f, 0, -14.9f}},
    {"c_ap4_poster2", "apartment4", {-1.2f, 0, -14.9f}},
    // Apartment 3: the potheads stand on the floor beside the table.
    {"hall 3", "apartment3", {0, 0, -2.9f}},
    {"room 3", "apartment3", {0, 0, -6.9f}},
    {"room 3 east", "apartment3", {-2.5f, 0, -8.9f}},
    {"room 3 back", "apartment3", {-2.5f, 0, -14.4f}},
    {"c_ap3_pothead1", "apartment3", {-3.5f, 0, -11.3f}},
    {"c_ap3_pothead2", "apartment3", {0.9f, 0, -13.9f}},
    // Apartment 2: the newspapers lie on the granny's table, beyond the cat basket.
    {"hall 2", "apartment2", {0, 0, -2.9f}},
    {"room 2", "apartment2", {1, 0, -7.9f}},
    {"c_ap2_newspaper1", "apartment2", {-2.5f, 0, -12.4f}},
    {"c_ap2_newspaper2", "apartment2", {-3, 0, -11.4f}},
    // Apartment 1: the screens stand on the desk at the far side wall.
    {"hall 1", "apartment1", {0, 0, -2.9f}},
    {"room 1", "apartment1", {0, 0, -6.9f}},
    {"c_ap1_screen1", "apartment1", {-6.9f, 0, -13.8f}},
    {"c_ap1_screen2", "apartment1", {-6.9f, 0, -15}},
    // Apartment 5: the television above the fireplace, the board on the couch.
    {"in 5", "apartment5", {0, 0, -1.9f}},
    {"room 5 west", "apartment5", {7, 0, -1.9f}},
    {"room 5 east", "apartment5", {0, 0, -9.4f}},
    {"c_ap5_tv", "apartment5", {8.2f, 0, -4.4f}},
    {"c_ap5_datenight", "apartment5", {3, 0, -9.4f}},
    // Apartment 6: the dining table in the middle, the statues at the back wall, the win room
    // behind the television's wall.
    {"in 6", "apartment6", {0, 0, -2.9f}},
    {"room 6 west", "apartment6", {-1, 0, -8.9f}},
    {"room 6 back", "apartment6", {-1, 0, -10.9f}},
    {"room 6 middle", "apartment6", {10, 0, -10.9f}},
    {"c_ap6_tv", "apartment6", {10.7f, 0, -3.1f}},
    {"c_ap6_male_statue", "apartment6", {1.1f, 0, -12.8f}},
    {"c_ap6_female_statue", "apartment6", {10, 0, -14.9f}},
    {"win room", "apartment6", {17, 0, -10.9f}},
};

// Where the level places the spot's frame, the spot in world coordinates.
glm::vec3 worldFeet(const Spot& spot) {
  if (!spot.frame) return spot.feet;
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (std::string(entry.name) != spot.frame) continue;
    const glm::mat4 placed =
        glm::rotate(glm::translate(glm::mat4(1.0f), entry.position),
                    entry.angle * kRadiansPerDegree, glm::vec3(0.0f, 1.0f, 0.0f));
    return glm::vec3(placed * glm::vec4(spot.feet, 1.0f));
  }
  ADD_FAILURE() << "the level places no " << spot.frame;
  return spot.feet;
}

// Walks from spot to spot in straight lines.
const std::vector<std::vector<const char*>> kWalks = {
    {"start", "door 4", "door 3", "door 2", "door 1", "stair foot", "landing east", "landing",
     "landing west", "stair top", "door 5", "door 6"},
    {"door 4", "hall 4", "room 4", "room 4 east", "room 4 back", "c_ap4_poster1"},
    {"room 4 back", "c_ap4_poster2"},
    {"door 3", "hall 3", "room 3", "room 3 east", "c_ap3_pothead1"},
    {"room 3 east", "room 3 back", "c_ap3_pothead2"},
    {"door 2", "hall 2", "room 2", "c_ap2_newspaper1"},
    {"room 2", "c_ap2_newspaper2"},
    {"door 1", "hall 1", "room 1", "c_ap1_screen1"},
    {"room 1", "c_ap1_screen2"},
    {"door 5", "in 5", "room 5 west", "c_ap5_tv"},
    {"in 5", "room 5 east", "c_ap5_datenight"},
    {"door 6", "in 6", "c_ap6_tv"},
    {"in 6", "room 6 west", "c_ap6_male_statue"},
    {"room 6 west", "room 6 back", "room 6 middle", "c_ap6_female_statue"},
    {"room 6 middle", "win room"},
};

WaypointGraph makeBuilding() {
  WaypointGraph graph;
  for (const Spot& spot : kSpots) graph.spots.push_back({spot.name, worldFeet(spot), {}});
  for (const std::vector<const char*>& walk : kWalks) {
    for (size_t i = 1; i < walk.size(); ++i) {
      const int from = graph.find(walk[i - 1]);
      const int to = graph.find(walk[i]);
      graph.spots[from].links.push_back(to);
      graph.spots[to].links.push_back(from);
    }
  }
  return graph;
}

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
    const float height =
        static_cast<float>(eye.y - kThrowDrop) + kThrowSpeed * s * t - 0.5f * kGravity * t * t;
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

const WaypointGraph& WaypointGraph::building() {
  static const WaypointGraph graph = makeBuilding();
  return graph;
}

int WaypointGraph::find(const std::string& name) const {
  for (size_t i = 0; i < spots.size(); ++i)
    if (spots[i].name == name) return static_cast<int>(i);
  ADD_FAILURE() << "no waypoint '" << name << "'";
  return 0;
}

int WaypointGraph::nearest(const glm::vec3& feet) const {
  int best = 0;
  for (size_t i = 1; i < spots.size(); ++i)
    if (glm::distance(spots[i].feet, feet) < glm::distance(spots[best].feet, feet))
      best = static_cast<int>(i);
  return best;
}

std::vector<int> WaypointGraph::path(int from, int to) const {
  // Dijkstra over a few dozen spots.
  std::vector<float> cost(spots.size(), std::numeric_limits<float>::infinity());
  std::vector<int> previous(spots.size(), -1);
  std::vector<bool> done(spots.size(), false);
  cost[from] = 0.0f;
  for (size_t round = 0; round < spots.size(); ++round) {
    int next = -1;
    for (size_t i = 0; i < spots.size(); ++i)
      if (!done[i] && (next < 0 || cost[i] < cost[next])) next = static_cast<int>(i);
    done[next] = true;
    for (int link : spots[next].links) {
      const float through = cost[next] + glm::distance(spots[next].feet, spots[link].feet);
      if (through < cost[link]) {
        cost[link] = through;
        previous[link] = next;
      }
    }
  }
  std::vector<int> walk{to};
  while (walk.back() != from) walk.push_back(previous[walk.back()]);
  std::reverse(walk.begin(), walk.end());
  return walk;
}

float WaypointGraph::distance(int from, int to) const {
  const std::vector<int> walk = path(from, to);
  float length = 0.0f;
  for (size_t i = 1; i < walk.size(); ++i)
    length += glm::distance(spots[walk[i - 1]].feet, spots[walk[i]].feet);
  return length;
}

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
