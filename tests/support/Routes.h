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

// Into the apartment whose door stands at (doorX, floorY, +-3.1), past the entrance hall of the
// ground-floor flats.
inline std::vector<glm::vec3> routeIntoApartment(float doorX, float floorY, bool north) {
  const float side = north ? 1.0f : -1.0f;
  std::vector<glm::vec3> route;
  if (floorY > 0.0f) {
    const std::vector<glm::vec3> up = routeToWinRoom();
    route.assign(up.begin(), up.begin() + 6);  // to the top of the stairs
  }
  route.push_back({doorX, floorY, 1.5f * side});
  route.push_back({doorX, floorY, 6.0f * side});
  if (floorY == 0.0f) route.push_back({doorX, floorY, 10.0f * side});
  return route;
}

// A spot (feet) from where a thrown box reaches each censorable object, found by the play-through,
// with the way to it from inside the object's apartment (around the furniture).
struct ThrowingSpot {
  const char* target;
  glm::vec3 feet;
  std::vector<glm::vec3> via;
};

inline std::vector<ThrowingSpot> throwingSpots() {
  return {{"c_ap1_screen1", {18.9f, 0, 16.9f}, {}},
          {"c_ap1_screen2", {18.9f, 0, 18.1f}, {}},
          {"c_ap2_newspaper1", {2.5f, 0, -15.5f}, {}},
          {"c_ap2_newspaper2", {2.0f, 0, -14.5f}, {}},
          {"c_ap3_pothead1", {-1.5f, 0, 14.4f}, {}},
          {"c_ap3_pothead2", {-5.9f, 0, 17.0f}, {{-2.5f, 0, 12}, {-2.5f, 0, 17.5f}}},
          {"c_ap4_poster1", {-8.2f, 0, -18.0f}, {{-8.4f, 0, -10}, {-8.4f, 0, -16}}},
          {"c_ap4_poster2", {-13.2f, 0, -18.0f}, {{-8.4f, 0, -10}, {-8.4f, 0, -16.5f}}},
          {"c_ap5_tv", {2.8f, 6, 7.5f}, {{4, 6, 5}}},
          {"c_ap5_datenight", {8.0f, 6, 12.5f}, {{11, 6, 12.5f}}},
          {"c_ap6_tv", {-1.3f, 6, -6.2f}, {}},
          {"c_ap6_male_statue", {-10.9f, 6, -15.9f}, {{-13, 6, -12}}},
          {"c_ap6_female_statue", {-2.0f, 6, -18.0f}, {{-13, 6, -12}, {-13, 6, -14}, {-2, 6, -14}}}};
}

}  // namespace vorn::test
