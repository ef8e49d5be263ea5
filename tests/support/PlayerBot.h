#pragma once

#include <set>
#include <string>
#include <vector>

#include <glm/vec3.hpp>

#include "support/GameDriver.h"

namespace vorn::test {

// Spots a player walks between (feet positions) and the straight walks that join them: the
// corridors of both storeys, the doors, the staircase and the rooms behind the doors, from the
// start at (-15, 0, 0) to the win room. A spot named after a censorable object is where a player
// stands to throw at it.
class WaypointGraph {
 public:
  struct Waypoint {
    std::string name;
    glm::vec3 feet;
    std::vector<int> links;
  };

  static const WaypointGraph& building();

  // The index of the named spot; fails the running test when there is none.
  int find(const std::string& name) const;
  int nearest(const glm::vec3& feet) const;
  // The shortest walk between two spots, both included.
  std::vector<int> path(int from, int to) const;
  float distance(int from, int to) const;

  std::vector<Waypoint> spots;
};

// A player at the keyboard and the mouse. It acts only through the scripted input (movement keys,
// Space, whole-pixel mouse movements, the left button) and reads only what a player sees: where
// the objects are and its own position and view. It walks the building's waypoints, turns the
// view by moving the mouse until the game's aim mark shows its target, throws, and watches where
// each box goes.
class PlayerBot {
 public:
  PlayerBot(GameDriver& driver, float frameTime);

  // Along the shortest walk from the spot it last reached; false when it got stuck on the way.
  bool walkTo(const std::string& spot);
  // Walks through the points in turn; false when it got stuck.
  bool follow(const std::vector<glm::vec3>& points);
  // Every censorable object, the nearest first: walks to its spot and throws until it is
  // censored. False when one stays uncensored.
  bool censorAll();
  // Walks to the object's spot and throws until it is censored; false when it stays uncensored.
  bool censor(const std::string& target);
  // Into the win room, then hands off until the game closes its window; true when it did.
  bool win();
  // Throws the boxes at the floor ahead while walking from the start up the staircase and back.
  void litter(int boxes);
  // Taps the key once the cool-down of the last toggle or throw has passed.
  void press(int key);

  // Game time since censorAll() began.
  float playTime() const { return time - playStart; }
  // "play-through: N boxes, M misses, T s game time".
  std::string summary() const;

  float frameTime;
  int boxes = 0;
  int misses = 0;
  float time = 0.0f;  // game time of the frames the bot ran
  int at;             // the waypoint it last reached

 private:
  // Throws at the aim point; true when the target got censored.
  bool throwAt(const std::string& target, const glm::vec3& aim);
  // Moves the view up or down a pixel a frame until the game's aim mark shows the target; the
  // pitch it then stands at.
  float settleOnMark(const std::string& target, const glm::vec3& aim, float yaw, float pitch);
  bool goTo(const glm::vec3& feet, float radius);
  // Moves the mouse for the next frame towards the view, at most as fast as a hand turns it;
  // true when the view already stands there to the pixel.
  bool look(float yaw, float pitch);
  void turnTo(float yaw, float pitch);
  void frame();
  // Whether a tap or click in the next frame gets past the game's cool-down.
  bool ready() const;
  // Taps the key (or clicks the button) for the next frame.
  void tap(std::set<int>& taps, int key);

  GameDriver& driver;
  ScriptedInput& input;
  const WaypointGraph& graph = WaypointGraph::building();
  float walkPitch = 0.0f;
  int litterLeft = 0;
  float nextThrow = 0.0f;  // end of the first frame in which a tap or click counts again
  float playStart = 0.0f;
};

}  // namespace vorn::test
