#include <algorithm>
#include <cmath>

#include <LinearMath/btConvexHull.h>
#include <btBulletDynamicsCommon.h>

#include "physics/BulletPose.h"
#include "physics/Physics.h"

namespace vorn {

namespace {

// Bullet rounds convex shapes by this margin; small, so bodies rest close to their true faces.
constexpr btScalar kHullMargin = 0.01f;
constexpr float kDefaultSleepThreshold = 0.75f;

bool pointsValid(const MeshData& mesh) {
  if (mesh.points == nullptr || mesh.vertexCount < 3) return false;
  for (uint64_t i = 0; i < uint64_t{mesh.vertexCount} * 3; ++i) {
    if (!std::isfinite(mesh.points[i])) return false;
  }
  return true;
}

// Without indices the points are taken three by three as triangles.
bool trianglesValid(const MeshData& mesh) {
  if (mesh.indices == nullptr) return mesh.vertexCount % 3 == 0;
  if (mesh.faceCount == 0) return false;
  for (uint64_t i = 0; i < uint64_t{mesh.faceCount} * 3; ++i) {
    if (mesh.indices[i] >= mesh.vertexCount) return false;
  }
  return true;
}

bool withinReach(const MeshData& mesh, float reach) {
  for (uint64_t i = 0; i < uint64_t{mesh.vertexCount} * 3; ++i) {
    if (std::fabs(mesh.points[i]) > reach) return false;
  }
  return true;
}

btVector3 pointAt(const MeshData& mesh, uint32_t i) {
  return btVector3(mesh.points[3 * i], mesh.points[3 * i + 1], mesh.points[3 * i + 2]);
}

struct HullMassProperties {
  btScalar volume = 0;
  btVector3 centre{0, 0, 0};
};

// Sums signed tetrahedra from an interior point over the hull's triangles; the sign of the total
// absorbs the winding direction.
HullMassProperties massPropertiesOf(const HullResult& hull) {
  btVector3 inside(0, 0, 0);
  for (unsigned i = 0; i < hull.mNumOutputVertices; ++i) inside += hull.m_OutputVertices[i];
  inside /= btScalar(hull.mNumOutputVertices);
  HullMassProperties result;
  btVector3 weighted(0, 0, 0);
  for (unsigned f = 0; f < hull.mNumFaces; ++f) {
    const btVector3& a = hull.m_OutputVertices[hull.m_Indices[3 * f]];
    const btVector3& b = hull.m_OutputVertices[hull.m_Indices[3 * f + 1]];
    const btVector3& c = hull.m_OutputVertices[hull.m_Indices[3 * f + 2]];
    const btScalar volume = (a - inside).dot((b - inside).cross(c - inside)) / 6.0f;
    result.volume += volume;
    weighted += volume * (inside + a + b + c) / 4.0f;
  }
  if (result.volume != 0) result.centre = weighted / result.volume;
  result.volume = std::fabs(result.volume);
  return result;
}

void addStaticShapes(Actor& actor) {
  actor.getShapes().push_back(Shape{kSimulationShape | kSceneQueryShape | kVisualization, {}});
}

void addDynamicShapes(Actor& actor) {
  actor.getShapes().push_back(Shape{kTriggerShape, {}});
  actor.getShapes().push_back(Shape{kSimulationShape, {}});
  actor.setSleepThreshold(kDefaultSleepThreshold);
}

}  // namespace

CookedShape::CookedShape() = default;
CookedShape::~CookedShape() = default;

CookResult Cooking::cookTriangleMesh(const MeshData& mesh, std::unique_ptr<CookedShape>& out) {
  if (!pointsValid(mesh) || !trianglesValid(mesh)) return CookResult::InvalidDescriptor;
  auto triangles = std::make_unique<btTriangleMesh>(true, false);
  triangles->preallocateVertices(static_cast<int>(mesh.vertexCount));
  for (uint32_t i = 0; i < mesh.vertexCount; ++i)
    triangles->findOrAddVertex(pointAt(mesh, i), false);
  const uint32_t faces = mesh.indices ? mesh.faceCount : mesh.vertexCount / 3;
  triangles->preallocateIndices(static_cast<int>(faces * 3));
  for (uint32_t f = 0; f < faces; ++f) {
    const uint32_t* corner = mesh.indices ? mesh.indices + 3 * f : nullptr;
    const uint32_t i0 = corner ? corner[0] : 3 * f;
    triangles->addTriangleIndices(static_cast<int>(i0),
                                  static_cast<int>(corner ? corner[1] : i0 + 1),
                                  static_cast<int>(corner ? corner[2] : i0 + 2));
  }
  out = std::make_unique<CookedShape>();
  out->geometry = std::make_unique<btBvhTriangleMeshShape>(triangles.get(), true);
  out->triangles = std::move(triangles);
  return CookResult::Ok;
}

CookResult Cooking::cookConvexHull(const MeshData& mesh, std::unique_ptr<CookedShape>& out) {
  if (!pointsValid(mesh)) return CookResult::InvalidDescriptor;
  if (!withinReach(mesh, kMaxHullReach)) return CookResult::CookingFailed;
  btAlignedObjectArray<btVector3> points;
  points.resize(static_cast<int>(mesh.vertexCount));
  for (uint32_t i = 0; i < mesh.vertexCount; ++i) points[static_cast<int>(i)] = pointAt(mesh, i);

  HullDesc desc(QF_TRIANGLES, mesh.vertexCount, &points[0]);
  desc.mMaxVertices = kHullVertexLimit;
  HullLibrary library;
  HullResult hull;
  if (library.CreateConvexHull(desc, hull) != QE_OK || hull.mNumOutputVertices < 4) {
    return CookResult::CookingFailed;
  }
  const HullMassProperties mass = massPropertiesOf(hull);
  if (!(mass.volume > 0)) {
    library.ReleaseResult(hull);
    return CookResult::CookingFailed;
  }
  // The geometry is centred on the centre of mass; the actor's frame keeps the mesh's origin.
  auto geometry = std::make_unique<btConvexHullShape>();
  for (unsigned i = 0; i < hull.mNumOutputVertices; ++i) {
    geometry->addPoint(hull.m_OutputVertices[i] - mass.centre, false);
  }
  geometry->setMargin(kHullMargin);
  geometry->recalcLocalAabb();
  library.ReleaseResult(hull);

  out = std::make_unique<CookedShape>();
  out->geometry = std::move(geometry);
  out->volume = mass.volume;
  out->centreOfMass = toGlm(mass.centre);
  return CookResult::Ok;
}

std::unique_ptr<Actor> Cooking::createStaticActor(const PhysicsMaterial& material,
                                                  CookedShape& shape) {
  std::unique_ptr<Actor> actor(
      new Actor(Actor::Type::Static, *shape.geometry, material, 0.0f, glm::vec3(0.0f)));
  addStaticShapes(*actor);
  return actor;
}

// A small body thrown fast moves further in a sub-step than it is thick, and a wall of one
// triangle thickness would then push it out on its far side. A move longer than the body's
// thinnest half is swept with a sphere that fits inside it, so the body stops at the wall instead.
namespace {

void sweepFastMoves(btRigidBody& body) {
  btVector3 low, high;
  body.getCollisionShape()->getAabb(btTransform::getIdentity(), low, high);
  const btVector3 half = (high - low) * 0.5f;
  const btScalar thinnest = std::min(half.x(), std::min(half.y(), half.z()));
  body.setCcdMotionThreshold(thinnest);
  body.setCcdSweptSphereRadius(thinnest * 0.8f);
}

}  // namespace

std::unique_ptr<Actor> Cooking::createDynamicActor(const PhysicsMaterial& material,
                                                   CookedShape& shape, float density) {
  std::unique_ptr<Actor> actor(new Actor(Actor::Type::Dynamic, *shape.geometry, material,
                                         density * shape.volume, shape.centreOfMass));
  addDynamicShapes(*actor);
  sweepFastMoves(*actor->getBody());
  return actor;
}

}  // namespace vorn
