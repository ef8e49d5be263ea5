// View-frustum culling: the camera planes, the light box, the inside test, the projection.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <vector>

#include "render/ScenePass.h"
#include "render/ViewFrustum.h"

namespace vorn {
namespace {

using Points = std::vector<glm::vec4>;

void expectNear(const glm::vec3& actual, const glm::vec3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-5f);
  EXPECT_NEAR(actual.y, expected.y, 1e-5f);
  EXPECT_NEAR(actual.z, expected.z, 1e-5f);
}

// A camera at the origin looking down -Z, 45 degrees, square window.
ViewFrustum originCamera() {
  ViewFrustum frustum(1.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  return frustum;
}

TEST(RenderFrustumTest, CameraPlanesPointIntoTheFrustum) {
  const ViewFrustum frustum = originCamera();
  ASSERT_EQ(frustum.planes.size(), 6u);
  const float c = std::cos(glm::radians(22.5f)), s = std::sin(glm::radians(22.5f));
  expectNear(frustum.planes[0].normal, {0, 0, -1});  // near
  expectNear(frustum.planes[0].point, {0, 0, -0.1f});
  expectNear(frustum.planes[1].normal, {0, 0, 1});  // far
  expectNear(frustum.planes[1].point, {0, 0, -50});
  expectNear(frustum.planes[2].normal, {0, -c, -s});  // top
  expectNear(frustum.planes[3].normal, {0, c, -s});   // bottom
  expectNear(frustum.planes[4].normal, {-c, 0, -s});  // right
  expectNear(frustum.planes[5].normal, {c, 0, -s});   // left
  const float halfNear = 0.1f * std::tan(glm::radians(22.5f));
  expectNear(frustum.planes[2].point, {-halfNear, halfNear, -0.1f});  // near top left
  expectNear(frustum.planes[4].point, {halfNear, -halfNear, -0.1f});  // near bottom right
  expectNear(frustum.eye, {0, 0, 0});
}

TEST(RenderFrustumTest, WideWindowWidensOnlyTheSidePlanes) {
  ViewFrustum frustum(2.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({1, 2, 3}, {0, 0, -5}, {0, 2, 0}, {3, 0, 0}, 45.0f);
  const float t = std::tan(glm::radians(22.5f));
  // Unnormalised camera vectors give the same planes as unit ones.
  const glm::vec3 left = glm::normalize(glm::vec3(1, 0, -2 * t));
  expectNear(frustum.planes[5].normal, left);
  expectNear(frustum.planes[2].normal, glm::normalize(glm::vec3(0, -1, -t)));
  expectNear(frustum.eye, {1, 2, 3});
  // A point just inside the left edge at depth 10 is inside; just outside it is not.
  EXPECT_TRUE(frustum.contains({{1 - 19.9f * t, 2, -7, 1}}));
  EXPECT_FALSE(frustum.contains({{1 - 20.1f * t, 2, -7, 1}}));
}

TEST(RenderFrustumTest, CullsWhatLiesWhollyOutsideOnePlane) {
  const ViewFrustum frustum = originCamera();
  EXPECT_TRUE(frustum.contains({{0, 0, -5, 1}}));
  // Behind the camera: outside the near plane.
  EXPECT_FALSE(frustum.contains({{-1, -1, 1, 1}, {1, 1, 2, 1}, {0, 0, 0.05f, 1}}));
  // Beyond the far plane.
  EXPECT_FALSE(frustum.contains({{0, 0, -51, 1}, {0, 0, -60, 1}}));
  // Straddling the near plane, and straddling the left plane.
  EXPECT_TRUE(frustum.contains({{0, 0, 5, 1}, {0, 0, -5, 1}}));
  EXPECT_TRUE(frustum.contains({{-100, 0, -5, 1}, {0, 0, -5, 1}}));
  // Outside different planes point by point but not all outside one: kept (conservative).
  EXPECT_TRUE(frustum.contains({{-100, 0, -10, 1}, {100, 0, -10, 1}}));
  // The w component plays no part.
  EXPECT_TRUE(frustum.contains({{0, 0, -5, 0}}));
}

TEST(RenderFrustumTest, PointOnAPlaneCountsAsInside) {
  const ViewFrustum frustum = originCamera();
  // Exactly the near plane's own point, and a point on the near plane away from it.
  EXPECT_TRUE(frustum.contains({{0, 0, -0.1f, 1}}));
  ViewFrustum box(1.0f, 0.1f, 50.0f);
  box.updateAsBox({0, 0, 0}, 2.0f, 1.0f);
  EXPECT_TRUE(box.contains({{2, 0, 0, 1}}));
  EXPECT_TRUE(box.contains({{2, 1, 2, 1}}));  // a corner lies on three planes
}

TEST(RenderFrustumTest, EmptyPointListIsOutsideUnlessThereAreNoPlanes) {
  const ViewFrustum frustum = originCamera();
  EXPECT_FALSE(frustum.contains({}));
  const ViewFrustum fresh(1.0f, 0.1f, 50.0f);
  EXPECT_TRUE(fresh.contains({}));
  EXPECT_TRUE(fresh.contains({{0, 0, 1000, 1}}));
}

TEST(RenderFrustumTest, BoxPlanesKeepTheEyeAndBoundTheLightVolume) {
  ViewFrustum frustum = originCamera();
  frustum.updateFromCamera({4, 5, 6}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  frustum.updateAsBox({1, 2, 3}, 20.0f, 7.0f);
  ASSERT_EQ(frustum.planes.size(), 6u);
  expectNear(frustum.planes[0].point, {21, 2, 3});
  expectNear(frustum.planes[0].normal, {-1, 0, 0});
  expectNear(frustum.planes[3].point, {1, -5, 3});
  expectNear(frustum.planes[3].normal, {0, 1, 0});
  expectNear(frustum.planes[5].point, {1, 2, -17});
  expectNear(frustum.planes[5].normal, {0, 0, 1});
  expectNear(frustum.eye, {4, 5, 6});
  EXPECT_TRUE(frustum.contains({{1, 8.9f, 3, 1}}));
  EXPECT_FALSE(frustum.contains({{1, 9.1f, 3, 1}, {1, 30, 3, 1}}));  // more than 7 above
  EXPECT_FALSE(frustum.contains({{-19.5f, 2, 3, 1}}));
}

TEST(RenderFrustumTest, UpdatesReuseThePlaneStorage) {
  ViewFrustum frustum = originCamera();
  const scene::Plane* storage = frustum.planes.data();
  for (int i = 0; i < 3; ++i) {
    frustum.updateAsBox({0, 0, 0}, 20.0f, 7.0f);
    frustum.updateFromCamera({0, 0, 0}, {1, 0, 0}, {0, 1, 0}, {0, 0, 1}, 45.0f);
  }
  EXPECT_EQ(frustum.planes.data(), storage);
  EXPECT_EQ(frustum.planes.size(), 6u);
}

TEST(RenderFrustumTest, PerspectiveMatchesTheStandardProjection) {
  const glm::mat4 p = perspectiveMatrix(45.0f, 1366.0f / 768.0f, 0.1f, 50.0f);
  const glm::mat4 reference = glm::perspective(glm::radians(45.0f), 1366.0f / 768.0f, 0.1f, 50.0f);
  for (int c = 0; c < 4; ++c)
    for (int r = 0; r < 4; ++r) EXPECT_NEAR(p[c][r], reference[c][r], 1e-5f) << c << "," << r;
  EXPECT_EQ(p[2][3], -1.0f);
  EXPECT_EQ(p[3][3], 0.0f);
  // A 90 degree square projection maps the far corner direction onto the clip corner.
  const glm::vec4 clip = perspectiveMatrix(90.0f, 1.0f, 0.1f, 20.0f) * glm::vec4(5, 5, -5, 1);
  EXPECT_NEAR(clip.x / clip.w, 1.0f, 1e-5f);
  EXPECT_NEAR(clip.y / clip.w, 1.0f, 1e-5f);
}

}  // namespace
}  // namespace vorn
