#include "physics/ShapeCache.h"

#include <utility>

namespace vorn {

CookResult ShapeCache::get(const Key& key, const MeshData& mesh, CookedShape*& shape) {
  shape = nullptr;
  auto found = shapes.find(key);
  if (found == shapes.end()) {
    std::unique_ptr<CookedShape> cooked;
    const CookResult result = cook(key.type, mesh, cooked);
    if (result != CookResult::Ok) return result;
    found = shapes.emplace(key, std::move(cooked)).first;
  }
  shape = found->second.get();
  return CookResult::Ok;
}

CookResult ShapeCache::cook(Type type, const MeshData& mesh, std::unique_ptr<CookedShape>& out) {
  return type == Type::TriangleMesh ? Cooking::cookTriangleMesh(mesh, out)
                                    : Cooking::cookConvexHull(mesh, out);
}

}  // namespace vorn
