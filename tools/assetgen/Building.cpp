// The building shell: hallway, staircase, the two apartment types and the apartment door.

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

namespace assetgen {

bool writeBuilding(const std::string& resourcesDir) {
  return writeDefaultNormalMap(resourcesDir + "/Building");
}

}  // namespace assetgen
