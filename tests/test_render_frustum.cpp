// View-frustum culling: the camera planes, the light box, the inside test, the projection.
#include <gtest/gtest.h>

#include <cmath>
#include <glm/gtc/matrix_transform.hpp>
#include <vector>

#include "render/ScenePass.h"
#include "render/ViewFrustum.h"
#include "support/Near.h"

namespace vorn {
namespace {

using Points = std::vector<glm::vec4>;

using test::expectNear;

// A camera at the origin looking down -Z, 45 degrees, square window.
ViewFrustum originCamera() {
  ViewFrustum frustum(1.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  return frustum;
}

// Just inside and just outside each of the six planes, 10 units ahead (the sides at 45 degrees).
TEST(RenderFrustumTest, EachCameraPlaneBoundsTheFrustum) {
  const ViewFrustum frustum = originCamera();
  const float edge = 10.0f * std::tan(glm::radians(22.5f));
  const struct {
    const char* plane;
    glm::vec3 inside, outside;
  } cases[] = {
      {"near", {0, 0, -0.11f}, {0, 0, -0.09f}}, {"far", {0, 0, -49.9f}, {0, 0, -50.1f}},
      {"top", {0, edge - 0.01f, -10}, {0, edge + 0.01f, -10}},
      {"bottom", {0, 0.01f - edge, -10}, {0, -0.01f - edge, -10}},
      {"right", {edge - 0.01f, 0, -10}, {edge + 0.01f, 0, -10}},
      {"left", {0.01f - edge, 0, -10}, {-0.01f - edge, 0, -10}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.plane);
    EXPECT_TRUE(frustum.contains({glm::vec4(c.inside, 1)}));
    EXPECT_FALSE(frustum.contains({glm::vec4(c.outside, 1)}));
  }
  expectNear(frustum.eye, {0, 0, 0});
}

TEST(RenderFrustumTest, WideWindowWidensOnlyTheSidePlanes) {
  ViewFrustum frustum(2.0f, 0.1f, 50.0f);
  frustum.updateFromCamera({1, 2, 3}, {0, 0, -5}, {0, 2, 0}, {3, 0, 0}, 45.0f);
  const float t = std::tan(glm::radians(22.5f));
  // Unnormalised camera vectors give the same planes as unit ones. At depth 10 the left edge lies
  // 20 t to the side, the top edge 10 t up.
  expectNear(frustum.eye, {1, 2, 3});
  EXPECT_TRUE(frustum.contains({{1 - 19.9f * t, 2, -7, 1}}));
  EXPECT_FALSE(frustum.contains({{1 - 20.1f * t, 2, -7, 1}}));
  EXPECT_TRUE(frustum.contains({{1, 2 + 9.9f * t, -7, 1}}));
  EXPECT_FALSE(frustum.contains({{1, 2 + 10.1f * t, -7, 1}}));
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
  // The w component plays no part; a point on a plane counts as inside.
  EXPECT_TRUE(frustum.contains({{0, 0, -5, 0}}));
  EXPECT_TRUE(frustum.contains({{0, 0, -0.1f, 1}}));
  // No points are outside, unless there are no planes yet.
  EXPECT_FALSE(frustum.contains({}));
  EXPECT_TRUE(ViewFrustum(1.0f, 0.1f, 50.0f).contains({{0, 0, 1000, 1}}));
}

TEST(RenderFrustumTest, BoxPlanesKeepTheEyeAndBoundTheLightVolume) {
  ViewFrustum frustum = originCamera();
  frustum.updateFromCamera({4, 5, 6}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
  frustum.updateAsBox({1, 2, 3}, 20.0f, 7.0f);
  for (const glm::vec3& side : {glm::vec3(1, 0, 0), glm::vec3(0, 0, 1)})
    for (const float sign : {-1.0f, 1.0f}) {
      EXPECT_TRUE(frustum.contains({glm::vec4(glm::vec3(1, 2, 3) + sign * 19.9f * side, 1)}));
      EXPECT_FALSE(frustum.contains({glm::vec4(glm::vec3(1, 2, 3) + sign * 20.1f * side, 1)}));
    }
  expectNear(frustum.eye, {4, 5, 6});
  EXPECT_TRUE(frustum.contains({{1, 8.9f, 3, 1}}));
  EXPECT_FALSE(frustum.contains({{1, 9.1f, 3, 1}, {1, 30, 3, 1}}));  // more than 7 above
  EXPECT_TRUE(frustum.contains({{1, -4.9f, 3, 1}}));
  EXPECT_TRUE(frustum.contains({{21, -5, 23, 1}}));  // a corner lies on three planes
  EXPECT_FALSE(frustum.contains({{1, -5.1f, 3, 1}}));
}

TEST(RenderFrustumTest, PerspectiveMatchesTheStandardProjection) {
  const glm::mat4 p = perspectiveMatrix(45.0f, 1366.0f / 768.0f, 0.1f, 50.0f);
  expectNear(p, glm::perspective(glm::radians(45.0f), 1366.0f / 768.0f, 0.1f, 50.0f));
}

}  // namespace
}  // namespace vorn
