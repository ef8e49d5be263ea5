#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "physics/Physics.h"

namespace vorn {

// Collision shapes cooked once for each mesh of a model file at the file's own size and shared by
// every body built over them. The cache owns the shapes, so it must outlive every actor that uses
// one.
class ShapeCache {
 public:
  enum class Type { TriangleMesh, ConvexHull };

  struct Key {
    std::string path;
    uint32_t mesh = 0;
    Type type = Type::TriangleMesh;

    bool operator<(const Key& other) const {
      return std::tie(path, mesh, type) < std::tie(other.path, other.mesh, other.type);
    }
  };

  // The shape of the key, cooked from the mesh at the first request. A mesh that cannot be cooked
  // leaves shape null and is cooked again if asked for again.
  CookResult get(const Key& key, const MeshData& mesh, CookedShape*& shape);
  std::size_t size() const { return shapes.size(); }

  // Cooks a shape of the type from the mesh, kept by nobody but the caller.
  static CookResult cook(Type type, const MeshData& mesh, std::unique_ptr<CookedShape>& out);

 private:
  std::map<Key, std::unique_ptr<CookedShape>> shapes;
};

}  // namespace vorn
