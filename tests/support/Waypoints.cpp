#include "support/Waypoints.h"

#include <algorithm>
#include <limits>

#include <glm/geometric.hpp>
#include <gtest/gtest.h>

namespace vorn::test {

namespace {

struct Spot {
  const char* name;
  glm::vec3 feet;
};

// Doors of the flats stand at their x on the corridor walls z = +-3.1; a ground-floor flat has an
// entrance hall behind its door, closed by a partition at |z| = 8.1 with a wide gap.
const Spot kSpots[] = {
    // Ground-floor corridor, west to east, and the switchback staircase up to the upper corridor.
    {"start", {-15, 0, 0}},
    {"door 4", {-12, 0, -1.5f}},
    {"door 3", {-5, 0, 1.5f}},
    {"door 2", {5, 0, -1.5f}},
    {"door 1", {12, 0, 1.5f}},
    {"stair foot", {15.6f, 0, 1.6f}},
    {"landing east", {19.8f, 3, 1.6f}},
    {"landing", {21.2f, 3, 0}},
    {"landing west", {20.2f, 3, -1.6f}},
    {"stair top", {15, 6, -1.6f}},
    {"door 5", {11, 6, 1.5f}},
    {"door 6", {-12, 6, -1.5f}},
    // Apartment 4: around the couches to the back wall with the posters.
    {"hall 4", {-12, 0, -6}},
    {"room 4", {-12, 0, -10}},
    {"room 4 east", {-8.4f, 0, -10}},
    {"room 4 back", {-8.4f, 0, -16.5f}},
    {"c_ap4_poster1", {-8.2f, 0, -18}},
    {"c_ap4_poster2", {-13.2f, 0, -18}},
    // Apartment 3: the potheads stand on the floor beside the table.
    {"hall 3", {-5, 0, 6}},
    {"room 3", {-5, 0, 10}},
    {"room 3 east", {-2.5f, 0, 12}},
    {"room 3 back", {-2.5f, 0, 17.5f}},
    {"c_ap3_pothead1", {-1.5f, 0, 14.4f}},
    {"c_ap3_pothead2", {-5.9f, 0, 17}},
    // Apartment 2: the newspapers lie on the granny's table; the cat basket stands at (4, -10).
    {"hall 2", {5, 0, -6}},
    {"room 2", {6, 0, -11}},
    {"c_ap2_newspaper1", {2.5f, 0, -15.5f}},
    {"c_ap2_newspaper2", {2, 0, -14.5f}},
    // Apartment 1: the screens stand on the desk at the east wall.
    {"hall 1", {12, 0, 6}},
    {"room 1", {12, 0, 10}},
    {"c_ap1_screen1", {18.9f, 0, 16.9f}},
    {"c_ap1_screen2", {18.9f, 0, 18.1f}},
    // Apartment 5: the television above the fireplace, the board on the couch.
    {"in 5", {11, 6, 5}},
    {"room 5 west", {4, 6, 5}},
    {"room 5 east", {11, 6, 12.5f}},
    {"c_ap5_tv", {2.8f, 6, 7.5f}},
    {"c_ap5_datenight", {8, 6, 12.5f}},
    // Apartment 6: the dining table in the middle, the statues at the back wall, the win room
    // behind the television's wall.
    {"in 6", {-12, 6, -6}},
    {"room 6 west", {-13, 6, -12}},
    {"room 6 back", {-13, 6, -14}},
    {"room 6 middle", {-2, 6, -14}},
    {"c_ap6_tv", {-1.3f, 6, -6.2f}},
    {"c_ap6_male_statue", {-10.9f, 6, -15.9f}},
    {"c_ap6_female_statue", {-2, 6, -18}},
    {"win room", {5, 6, -14}},
};

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
  for (const Spot& spot : kSpots) graph.spots.push_back({spot.name, spot.feet, {}});
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
