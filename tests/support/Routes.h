#pragma once

#include <string>
#include <vector>

#include <glm/vec3.hpp>

namespace vorn::test {

// Walking routes through the building (feet positions), from the start at (-15, 0, 0).
struct Route {
  std::string to;
  std::vector<glm::vec3> waypoints;
};

// Along the ground-floor corridor to the staircase, up both flights and along the upper corridor
// into apartment 6, ending in the win room.
inline std::vector<glm::vec3> routeToWinRoom() {
  return {{12, 0, 1.5f},  {15.6f, 0, 1.6f}, {19.8f, 3, 1.6f}, {21.2f, 3, 0},  {20.2f, 3, -1.6f},
          {15, 6, -1.6f}, {-12, 6, -1.5f},  {-12, 6, -6},     {-13, 6, -14}, {5, 6, -14}};
}

// Into the apartment whose door stands at (doorX, floorY, +-3.1), past its entrance hall.
inline std::vector<glm::vec3> routeIntoApartment(float doorX, float floorY, bool north) {
  const float side = north ? 1.0f : -1.0f;
  std::vector<glm::vec3> route;
  if (floorY > 0.0f) {
    const std::vector<glm::vec3> up = routeToWinRoom();
    route.assign(up.begin(), up.begin() + 6);  // to the top of the stairs
  }
  route.push_back({doorX, floorY, 1.5f * side});
  route.push_back({doorX, floorY, 6.0f * side});
  route.push_back({doorX, floorY, 10.0f * side});
  return route;
}

}  // namespace vorn::test
