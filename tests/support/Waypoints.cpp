#include "support/Waypoints.h"

#include <algorithm>
#include <limits>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <gtest/gtest.h>

#include "base/Degrees.h"
#include "scene/BuildingPlan.h"
#include "scene/LevelLayout.h"

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
        glm::rotate(glm::translate(glm::mat4(1.0f), entry.position), entry.angle * kRadiansPerDegree,
                    glm::vec3(0.0f, 1.0f, 0.0f));
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

}  // namespace vorn::test
