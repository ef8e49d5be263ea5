#pragma once

#include <string>
#include <vector>

#include <glm/vec3.hpp>

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

}  // namespace vorn::test
