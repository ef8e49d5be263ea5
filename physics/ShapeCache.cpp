#include "physics/ShapeCache.h"

#include <utility>

namespace vorn {

CookResult ShapeCache::get(const Key& key, const MeshData& mesh, CookedShape*& shape) {
  shape = nullptr;
  auto found = shapes.find(key);
  if (found == shapes.end()) {
    std::unique_ptr<CookedShape> cooked;
    const CookResult result = key.type == Type::TriangleMesh
                                  ? Cooking::cookTriangleMesh(mesh, cooked)
                                  : Cooking::cookConvexHull(mesh, cooked);
    if (result != CookResult::Ok) return result;
    found = shapes.emplace(key, std::move(cooked)).first;
  }
  shape = found->second.get();
  return CookResult::Ok;
}

}  // namespace vorn
