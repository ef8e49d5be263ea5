#pragma once

#include <GL/glew.h>

namespace vorn {

class LightingShader;
class SceneRegistry;
class ShadowShader;
class ViewFrustum;
struct RenderSettings;

// The point shadow map's far plane: no light reaches further (LightSetup.h).
constexpr float kShadowFar = 20.0f;
// Its near plane, which the lighting needs too to read the map's depths back as distances.
constexpr float kShadowNear = 0.1f;

// A depth-only framebuffer: the 2D spot-light map or the point-light cube map, 512 x 512.
class ShadowMapFBO {
 public:
  ShadowMapFBO() = default;
  ~ShadowMapFBO();
  ShadowMapFBO(const ShadowMapFBO&) = delete;
  ShadowMapFBO& operator=(const ShadowMapFBO&) = delete;

  bool initSpot();
  bool initPoint();

  static constexpr int kSize = 512;
  GLuint framebuffer = 0;
  GLuint depthTexture = 0;

 private:
  void release();
};

// Renders the scene's depth from "point1" into the cube map in one pass (the geometry stage sends
// each triangle to the faces it can reach); leaves framebuffer 0 bound and the lighting program
// current.
// Without a "point1" the pass reports it and leaves everything as it was.
void shadowPass(ShadowMapFBO& pointMap, ShadowShader& pointShader, LightingShader& lighting,
                const SceneRegistry& registry, ViewFrustum& frustum,
                const RenderSettings& settings);

}  // namespace vorn
