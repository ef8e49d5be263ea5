#pragma once

#include "assets/Image.h"
#include "assets/ModelImport.h"
#include "physics/ShapeCache.h"

namespace vorn {
namespace scene {

// What the model loads of one world share, so that each file is read once: parsed models, decoded
// images and cooked collision shapes. It must outlive every mesh object loaded through it, whose
// bodies use its shapes.
struct AssetCache {
  ModelCache models;
  ImageCache images;
  ShapeCache shapes;
};

}  // namespace scene
}  // namespace vorn
