#pragma once

#include <cmath>
#include <memory>
#include <string>
#include <vector>

#include <glm/gtc/quaternion.hpp>

#include "physics/Physics.h"
#include "scene/SceneObject.h"

namespace vorn {
namespace test {

// A scene object that only carries actors. It counts its draws and, given a log, notes its
// destruction there, so that ownership can be observed.
class BodyObject : public scene::SceneObject {
 public:
  BodyObject(std::string name, int32_t kind = 0, std::vector<std::string>* log = nullptr)
      : SceneObject(std::move(name), kind), log(log) {}
  ~BodyObject() override {
    if (log) log->push_back(name);
  }
  void draw(bool, int) override { ++draws; }

  std::vector<std::string>* log;
  int draws = 0;
};

// Positions and triangle indices owned by the test, handed to the cooking as MeshData.
struct MeshBuffers {
  std::vector<float> points;
  std::vector<uint32_t> indices;

  MeshData data() const {
    return MeshData{points.data(), static_cast<uint32_t>(points.size() / 3), indices.data(),
                    static_cast<uint32_t>(indices.size() / 3)};
  }
  void addPoint(const glm::vec3& p) { points.insert(points.end(), {p.x, p.y, p.z}); }
};

// A closed box between two corners; appends to the buffers so several boxes form one mesh.
inline void appendBox(MeshBuffers& mesh, const glm::vec3& low, const glm::vec3& high) {
  const auto base = static_cast<uint32_t>(mesh.points.size() / 3);
  for (int i = 0; i < 8; ++i) {
    mesh.addPoint(
        glm::vec3(i & 1 ? high.x : low.x, i & 2 ? high.y : low.y, i & 4 ? high.z : low.z));
  }
  static const uint32_t faces[36] = {0, 2, 1, 1, 2, 3, 4, 5, 6, 5, 7, 6, 0, 1, 4, 1, 5, 4,
                                     2, 6, 3, 3, 6, 7, 0, 4, 2, 2, 4, 6, 1, 3, 5, 3, 7, 5};
  for (uint32_t index : faces) mesh.indices.push_back(base + index);
}

inline MeshBuffers boxMesh(const glm::vec3& low, const glm::vec3& high) {
  MeshBuffers mesh;
  appendBox(mesh, low, high);
  return mesh;
}

inline MeshBuffers cubeMesh(float size) {
  return boxMesh(glm::vec3(-0.5f * size), glm::vec3(0.5f * size));
}

// A ramp rising along +x from x = 0 at the angle, as one closed wedge.
inline MeshBuffers ramp(float degrees, float l) {
  const float h = l * std::tan(glm::radians(degrees));
  return {{0, 0, -3, l, 0, -3, l, h, -3, 0, 0, 3, l, 0, 3, l, h, 3},
          {0, 2, 1, 3, 4, 5, 0, 3, 5, 0, 5, 2, 1, 2, 5, 1, 5, 4, 0, 1, 4, 0, 4, 3}};
}

// As the model import does: a static triangle mesh or a convex hull (density 0.5) cooked from the
// mesh and an actor over it; null when the mesh gives no shape. The shapes live until the program
// ends, longer than any actor over them.
inline std::unique_ptr<Actor> cookActor(const MeshData& mesh, bool convex,
                                        CookResult* result = nullptr) {
  static std::vector<std::unique_ptr<CookedShape>> shapes;
  std::unique_ptr<CookedShape> shape;
  const CookResult cooked =
      convex ? Cooking::cookConvexHull(mesh, shape) : Cooking::cookTriangleMesh(mesh, shape);
  if (result) *result = cooked;
  if (cooked != CookResult::Ok) return nullptr;
  shapes.push_back(std::move(shape));
  return convex ? Cooking::createDynamicActor({}, *shapes.back(), 0.5f)
                : Cooking::createStaticActor({}, *shapes.back());
}

// An actor for the object (kind 0 static, kind 1 loose), added to the scene and placed.
inline Actor* addBody(PhysicsScene& scene, scene::SceneObject& object, const MeshBuffers& mesh,
                      const glm::vec3& position) {
  std::unique_ptr<Actor> actor = cookActor(mesh.data(), object.kind == 1);
  if (!actor) return nullptr;
  actor->setName(object.name);
  actor->userData = &object;
  Actor* placed = actor.get();
  scene.addActor(std::move(actor));
  object.actors.push_back(placed);
  placed->setGlobalPose(Pose(glm::quat(1, 0, 0, 0), position));
  return placed;
}

inline void simulateFor(PhysicsScene& scene, float seconds, float dt = 1.0f / 60.0f) {
  for (float t = 0.0f; t < seconds; t += dt) scene.simulate(dt);
}

}  // namespace test
}  // namespace vorn
