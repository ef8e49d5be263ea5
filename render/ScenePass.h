#pragma once

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "assets/Texture.h"

namespace vorn {

class LightingShader;
class SceneRegistry;
class ShadowShader;
class ViewFrustum;

namespace scene {
class CameraActor;
class SceneObject;
}  // namespace scene

// The render toggles the passes read.
struct RenderSettings {
  bool frustumCulling = true;
  bool transparencyEnabled = true;
  bool bilinearFiltering = true;
  int mipmapMode = kMipmapLinear;
  bool wireframe = false;  // polygons drawn as lines, in every pass
};

// What the scene pass needs of the camera to build its frustum.
struct CameraView {
  glm::vec3 position;
  glm::vec3 front;
  glm::vec3 up;
  glm::vec3 right;
  float fieldOfView;  // degrees
};

CameraView cameraView(const scene::CameraActor& camera);

// The standard perspective projection; the tangent of half the angle in double precision.
glm::mat4 perspectiveMatrix(float fieldOfViewDegrees, float aspect, float near, float far);

// The scene pass's programs: the lighting program, and a depth-only program (the spot shadow
// program, whose first face matrix takes the camera's view-projection) for the depth pre-pass;
// without one the pass draws each object once, lit, as it comes.
struct ScenePrograms {
  LightingShader& lighting;
  const ShadowShader* depthOnly;
};

// Lays down the depth of the opaque objects, then draws opaque then transparent objects lit, each
// set in name order with culling; prints and clears the draw count request. Returns the number
// of objects drawn.
int scenePass(const glm::mat4& viewProjection, const ScenePrograms& programs,
              const SceneRegistry& registry, ViewFrustum& frustum, const CameraView& camera,
              const RenderSettings& settings, bool& reportDrawCount);

inline int scenePass(const glm::mat4& viewProjection, const ScenePrograms& programs,
                     const SceneRegistry& registry, ViewFrustum& frustum,
                     const scene::CameraActor& camera, const RenderSettings& settings,
                     bool& reportDrawCount) {
  return scenePass(viewProjection, programs, registry, frustum, cameraView(camera), settings,
                   reportDrawCount);
}

// Whether a pass draws the object (culling off, or some bounding point inside every plane) and, if
// so, its model matrix. The registry holds only objects that have a pose.
bool placeForPass(scene::SceneObject& object, ViewFrustum& frustum, bool culling, glm::mat4& model);

}  // namespace vorn
