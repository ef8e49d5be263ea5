#pragma once

// The building's measures in world units. The asset generator builds the hallway and the stairs
// from them, the scripted events watch their areas and the tests' walks follow them; where the
// apartments and their doors stand is the level layout's (LevelLayout.cpp).

namespace vorn {
namespace scene {

struct Range {
  float lo, hi;
};

// Floor surfaces of the two storeys are y = 0 and y = kUpperFloor; a storey is kStoreyHeight from
// floor to ceiling.
constexpr float kUpperFloor = 6.0f;
constexpr float kStoreyHeight = 5.5f;

// The corridor of both storeys; the apartment fronts stand on its sides z = kCorridorZ.lo and hi.
constexpr Range kCorridorX{-22.5f, 16.0f};
constexpr Range kCorridorZ{-3.1f, 3.1f};

// The stair hall east of the corridor: flight one climbs east on the north half to the landing
// that spans the hall's east end, flight two climbs west on the south half to the upper corridor.
constexpr Range kStairHallX{kCorridorX.hi, 22.5f};
constexpr float kRiser = 0.5f;
constexpr float kTread = 0.55f;
constexpr int kStepsPerFlight = 6;
constexpr float kLandingHeight = kStepsPerFlight * kRiser;                  // 3
constexpr float kLandingStart = kStairHallX.lo + kStepsPerFlight * kTread;  // 19.3

// Areas, in x and z, where the scripted events watch the eye.
struct Area {
  Range x, z;
  bool contains(float px, float pz) const {
    return px > x.lo && px < x.hi && pz > z.lo && pz < z.hi;
  }
};
constexpr Area kWinRoom{{0.0f, 14.0f}, {-20.0f, -10.0f}};  // above the upper floor
constexpr Area kStaircaseSwitch{{16.0f, 20.0f}, {-5.0f, 5.0f}};

}  // namespace scene
}  // namespace vorn
