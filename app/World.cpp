#include "app/World.h"

#include "app/Hud.h"
#include "app/Sounds.h"
#include "render/Bloom.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/AssetCache.h"
#include "scene/CameraActor.h"
#include "scene/MeshObject.h"

namespace vorn {

World::World() = default;
World::~World() = default;

World& world() {
  static World instance;
  return instance;
}

}  // namespace vorn
