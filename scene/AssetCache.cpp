#include "scene/AssetCache.h"

#include <utility>

namespace vorn {
namespace scene {

AssetCache::~AssetCache() {
  if (reader.joinable()) reader.join();
}

void AssetCache::readAhead(std::vector<std::string> modelPaths) {
  if (reader.joinable()) reader.join();
  reader = std::thread([this, paths = std::move(modelPaths)] {
    for (auto path = paths.rbegin(); path != paths.rend(); ++path) {
      for (const MaterialMaps& maps : models.get(*path).materials) {
        if (!maps.diffuse.empty()) images.get(maps.diffuse);
        images.get(maps.normal);
      }
    }
  });
}

}  // namespace scene
}  // namespace vorn
