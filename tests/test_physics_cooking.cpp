#include <gtest/gtest.h>

#include <cmath>

#include <LinearMath/btConvexHullComputer.h>
#include <btBulletDynamicsCommon.h>

#include "test_physics_helpers.h"

namespace vorn {
namespace {

using test::BodyObject;
using test::MeshBuffers;

// Points spread evenly over a sphere; a convex body's cooking needs no triangles.
MeshBuffers spherePoints(int count, float radius) {
  MeshBuffers mesh;
  const float golden = 2.39996323f;
  for (int i = 0; i < count; ++i) {
    const float y = 1.0f - 2.0f * (i + 0.5f) / count;
    const float ring = std::sqrt(1.0f - y * y);
    mesh.addPoint(radius * glm::vec3(ring * std::cos(golden * i), y, ring * std::sin(golden * i)));
  }
  return mesh;
}

// Volume of the convex hull of the shape's points, found independently of the cooking.
float hullVolume(const btConvexHullShape& shape) {
  btConvexHullComputer hull;
  hull.compute(&shape.getUnscaledPoints()->x(), sizeof(btVector3), shape.getNumPoints(), 0, 0);
  float volume = 0;
  for (int f = 0; f < hull.faces.size(); ++f) {
    const btConvexHullComputer::Edge* first = &hull.edges[hull.faces[f]];
    const btVector3& a = hull.vertices[first->getSourceVertex()];
    for (const btConvexHullComputer::Edge* e = first->getNextEdgeOfFace(); e->getTargetVertex() != first->getSourceVertex();
         e = e->getNextEdgeOfFace()) {
      const btVector3& b = hull.vertices[e->getSourceVertex()];
      const btVector3& c = hull.vertices[e->getTargetVertex()];
      volume += a.dot(b.cross(c)) / 6.0f;
    }
  }
  return std::fabs(volume);
}

const btConvexHullShape& hullOf(const Actor& actor) {
  return *static_cast<const btConvexHullShape*>(actor.getBody()->getCollisionShape());
}

TEST(PhysicsCooking, ConvexActorHasTriggerAndSimulationShapeAndHullMass) {
  std::unique_ptr<Actor> actor;
  ASSERT_EQ(Cooking::createConvexActor(PhysicsMaterial{}, test::cubeMesh(2.0f).data(), 0.5f, actor),
            CookResult::Ok);
  ASSERT_EQ(actor->getShapes().size(), 2u);
  EXPECT_EQ(actor->getShapes()[0].flags, uint32_t{kTriggerShape});
  EXPECT_EQ(actor->getShapes()[1].flags, uint32_t{kSimulationShape});
  EXPECT_TRUE(actor->isDynamic());
  EXPECT_NEAR(actor->getMass(), 0.5f * 8.0f, 1e-4f);
}

TEST(PhysicsCooking, HullOfManyPointsIsCappedAndWeighsItsVolume) {
  const MeshBuffers sphere = spherePoints(500, 1.0f);
  std::unique_ptr<Actor> actor;
  ASSERT_EQ(Cooking::createConvexActor(PhysicsMaterial{}, sphere.data(), 0.5f, actor), CookResult::Ok);
  const btConvexHullShape& hull = hullOf(*actor);
  EXPECT_LE(hull.getNumPoints(), Cooking::kHullVertexLimit);
  EXPECT_GE(hull.getNumPoints(), 20);
  const float volume = hullVolume(hull);
  EXPECT_GT(volume, 0.6f * 4.18879f);  // a fair share of the sphere
  EXPECT_NEAR(actor->getMass(), 0.5f * volume, 1e-3f * volume);
}

TEST(PhysicsCooking, OffCentreHullKeepsTheMeshFrame) {
  Physics physics;
  BodyObject statue("c_statue", 1);
  // The mesh's origin lies outside it, as in models whose origin is at a corner.
  Actor* actor = test::addBody(*physics.getScene(), statue,
                               test::boxMesh(glm::vec3(2, 0, 0), glm::vec3(3, 1, 1)), glm::vec3(0, 0.5f, 0));
  btVector3 low, high;
  actor->getBody()->getAabb(low, high);
  EXPECT_NEAR(low.x(), 2.0f, 0.03f);
  EXPECT_NEAR(high.y(), 1.5f, 0.03f);
  EXPECT_NEAR(glm::length(actor->getGlobalPose().p - glm::vec3(0, 0.5f, 0)), 0.0f, 1e-6f);
  test::simulateFor(*physics.getScene(), 4.0f);
  // It dropped straight down without tumbling: the frame's origin is the box's lowest corner.
  EXPECT_NEAR(actor->getGlobalPose().p.y, 0.0f, 0.02f);
  EXPECT_NEAR(actor->getGlobalPose().p.x, 0.0f, 0.02f);
  EXPECT_NEAR(std::fabs(actor->getGlobalPose().q.w), 1.0f, 1e-3f);
}

TEST(PhysicsCooking, FlatConvexMeshStillGetsABody) {
  MeshBuffers poster;
  for (const glm::vec3& p : {glm::vec3(0, 0, 0), glm::vec3(1, 0, 0), glm::vec3(1, 1, 0), glm::vec3(0, 1, 0)}) {
    poster.addPoint(p);
  }
  poster.indices = {0, 1, 2, 0, 2, 3};
  std::unique_ptr<Actor> actor;
  ASSERT_EQ(Cooking::createConvexActor(PhysicsMaterial{}, poster.data(), 0.5f, actor), CookResult::Ok);
  EXPECT_GT(actor->getMass(), 0.0f);
}

TEST(PhysicsCooking, InvalidMeshesAreRefused) {
  std::unique_ptr<Actor> actor;
  MeshBuffers two;
  two.addPoint(glm::vec3(0));
  two.addPoint(glm::vec3(1));
  EXPECT_EQ(Cooking::createConvexActor(PhysicsMaterial{}, two.data(), 0.5f, actor),
            CookResult::InvalidDescriptor);
  EXPECT_EQ(Cooking::createStaticMeshActor(PhysicsMaterial{}, two.data(), actor),
            CookResult::InvalidDescriptor);

  MeshBuffers outOfRange = test::cubeMesh(1.0f);
  outOfRange.indices[4] = 8;
  EXPECT_EQ(Cooking::createStaticMeshActor(PhysicsMaterial{}, outOfRange.data(), actor),
            CookResult::InvalidDescriptor);

  MeshBuffers notANumber = test::cubeMesh(1.0f);
  notANumber.points[1] = std::nanf("");
  EXPECT_EQ(Cooking::createConvexActor(PhysicsMaterial{}, notANumber.data(), 0.5f, actor),
            CookResult::InvalidDescriptor);
  EXPECT_EQ(actor, nullptr);
}

TEST(PhysicsCooking, StaticMeshWithoutIndicesTakesPointsAsTriangles) {
  MeshBuffers soup;
  for (const glm::vec3& p : {glm::vec3(-5, 1, -5), glm::vec3(5, 1, -5), glm::vec3(0, 1, 5)}) soup.addPoint(p);
  MeshData data = soup.data();
  data.indices = nullptr;
  data.faceCount = 0;
  Physics physics;
  BodyObject shelf("shelf", 0), box("box", 1);
  std::unique_ptr<Actor> actor;
  ASSERT_EQ(Cooking::createStaticMeshActor(PhysicsMaterial{}, data, actor), CookResult::Ok);
  physics.getScene()->addActor(std::move(actor));
  test::addBody(*physics.getScene(), box, test::cubeMesh(0.5f), glm::vec3(0, 2, 0));
  test::simulateFor(*physics.getScene(), 2.0f);
  EXPECT_NEAR(box.getActor()->getGlobalPose().p.y, 1.25f, 0.03f);
}

}  // namespace
}  // namespace vorn
