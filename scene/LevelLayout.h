#pragma once

#include <cstdint>
#include <vector>

#include <glm/vec3.hpp>

namespace vorn {
namespace scene {

// One placed object of the building: registry name, model file below the data directory,
// physics kind, world position and heading about +Y in degrees.
struct LevelEntry {
  const char* name;
  const char* modelFile;
  int32_t kind;
  glm::vec3 position;
  float angle;
};

// The building, its furniture, people and censorable objects, in order of creation.
const std::vector<LevelEntry>& levelLayout();

// Censorable objects are the ones whose names begin with "c_".
bool isCensorable(const char* name);

// The arm that the level hangs on "ap4_collegedude" and game play swings.
constexpr const char* kArmName = "ap4_collegedude_arm";
constexpr const char* kArmModelFile = "Resources/Human/collegedude_arm.obj";
constexpr const char* kArmAnchorName = "ap4_collegedude";
constexpr const char* kArmDerivedName = "ap4_collegedude_arm_derived";

// How many objects the level makes censorable; censoring that many wins the game.
constexpr int32_t kCensorableCount = 13;

}  // namespace scene
}  // namespace vorn
