#pragma once

#include <glm/mat4x4.hpp>

namespace vorn {

class LightingShader;
class SceneRegistry;
class ViewFrustum;

namespace scene {
class CameraActor;
}

// The render toggles the passes read.
struct RenderSettings {
  bool frustumCulling = true;
  bool transparencyEnabled = true;
  bool bilinearFiltering = true;
  int mipmapMode = 1;
};

// The standard perspective projection; the tangent of half the angle in double precision.
glm::mat4 perspectiveMatrix(float fieldOfViewDegrees, float aspect, float near, float far);

// Draws opaque then transparent objects in name order with culling; prints and clears the draw
// count request. Returns the number of objects drawn.
int scenePass(const glm::mat4& viewProjection, LightingShader& lighting, const SceneRegistry& registry,
              ViewFrustum& frustum, const scene::CameraActor& camera, const RenderSettings& settings,
              bool& reportDrawCount);

}  // namespace vorn
