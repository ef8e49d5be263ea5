// The work every pass repeats for every object every frame (culling, placing, looking objects up
// by name) allocates no heap memory once its buffers have grown. This program counts its own
// operator new calls to tell.
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <new>
#include <vector>

#include "render/ScenePass.h"
#include "render/ViewFrustum.h"
#include "scene/SceneRegistry.h"
#include "test_render_helpers.h"

// The replacements below pair operator new with malloc and operator delete with free; GCC, seeing
// only the default pairing, would warn where containers inline them.
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"

namespace {

bool counting = false;
std::size_t allocations = 0;

}  // namespace

void* operator new(std::size_t size) {
  if (counting) ++allocations;
  if (void* block = std::malloc(size == 0 ? 1 : size)) return block;
  throw std::bad_alloc();
}

void operator delete(void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }

namespace vorn {
namespace {

// Allocations made while the work runs.
template <typename Work>
std::size_t allocationsOf(Work work) {
  allocations = 0;
  counting = true;
  work();
  counting = false;
  return allocations;
}

class FrameAllocations : public ::testing::Test {
 protected:
  FrameAllocations() {
    frustum.updateFromCamera({0, 0, 0}, {0, 0, -1}, {0, 1, 0}, {1, 0, 0}, 45.0f);
    for (int i = 0; i < 20; ++i) {
      // Every other object stands behind the camera, so both outcomes of the culling are taken.
      const float z = i % 2 == 0 ? -5.0f - i : 5.0f + i;
      objects.push_back(std::make_shared<test::TestObject>("object" + std::to_string(i), 1.0f,
                                                           nullptr));
      objects.back()->withBox(0.5f).at({0.0f, 0.0f, z});
    }
  }

  ViewFrustum frustum{1.0f, 0.1f, 50.0f};
  std::vector<std::shared_ptr<test::TestObject>> objects;
};

TEST_F(FrameAllocations, TheCounterSeesAnAllocation) {
  EXPECT_EQ(allocationsOf([] { EXPECT_NE(std::make_unique<int>(1), nullptr); }), 1u);
}

TEST_F(FrameAllocations, CullingAndPlacingEveryObjectAllocatesNothing) {
  glm::mat4 model;
  int placed = 0;
  const std::size_t made = allocationsOf([&] {
    for (int pass = 0; pass < 3; ++pass) {
      for (const auto& object : objects) placed += placeForPass(*object, frustum, true, model);
    }
  });
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(placed, 30);  // the ten in front, in each of three passes
}

TEST_F(FrameAllocations, LookingUpObjectsAndLightsByLiteralNamesAllocatesNothing) {
  SceneRegistry registry;
  const char* longName = "ap4_collegedude_arm_derived";  // longer than any in-place string
  registry.insert(longName, objects.front());
  registry.addPointLight("point1", std::make_shared<scene::PointLight>(
                                       "point1", glm::vec3(1), glm::vec3(0), glm::vec3(1)));
  std::shared_ptr<scene::SceneObject> found;
  std::shared_ptr<scene::PointLight> light;
  const std::size_t made = allocationsOf([&] {
    found = registry.get(longName);
    light = registry.getPointLight("point1");
  });
  EXPECT_EQ(made, 0u);
  EXPECT_EQ(found, objects.front());
  ASSERT_NE(light, nullptr);
}

}  // namespace
}  // namespace vorn
