#pragma once

#include <string>
#include <thread>
#include <vector>

#include "assets/Image.h"
#include "assets/ModelImport.h"
#include "physics/ShapeCache.h"

namespace vorn {
namespace scene {

// What the model loads of one world share, so that each file is read once: parsed models, decoded
// images and cooked collision shapes. It must outlive every mesh object loaded through it, whose
// bodies use its shapes.
struct AssetCache {
  AssetCache() = default;
  AssetCache(const AssetCache&) = delete;
  AssetCache& operator=(const AssetCache&) = delete;
  ~AssetCache();

  // Reads the models and their images on a thread of its own, the last model first, while the
  // caller goes on and loads them first to last: each file is read by whichever of the two comes
  // to it first, and the two meet somewhere in the middle.
  void readAhead(std::vector<std::string> modelPaths);

  ModelCache models;
  ImageCache images;
  ShapeCache shapes;

 private:
  std::thread reader;
};

}  // namespace scene
}  // namespace vorn
