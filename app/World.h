#pragma once

#include <memory>

namespace vorn {

class ShadowMapFBO;
class PointShadowCache;
class ShadowShader;
class LightingShader;
class ViewFrustum;
class BloomFBO;
class BlurFBO;
class PostShader;
class Hud;
class Sounds;

namespace scene {
struct AssetCache;
class MeshObject;
class CameraActor;
}  // namespace scene

// The program-wide single instances that the world set-up creates and its teardown releases.
struct World {
  World();
  ~World();

  std::unique_ptr<ShadowMapFBO> spotShadowMap;
  std::unique_ptr<ShadowShader> spotShadowShader;  // also the scene pass's depth pre-pass
  std::unique_ptr<ShadowMapFBO> pointShadowMap;
  std::unique_ptr<PointShadowCache> pointShadowCache;  // what pointShadowMap is drawn from
  std::unique_ptr<ShadowShader> pointShadowShader;
  std::unique_ptr<LightingShader> lightingShader;  // blinn_phong.*, shading with Phong's reflection
  std::unique_ptr<ViewFrustum> frustum;
  std::unique_ptr<BloomFBO> bloom;
  std::unique_ptr<BlurFBO> blurA;
  std::unique_ptr<BlurFBO> blurB;
  std::unique_ptr<PostShader> blurShader;
  std::unique_ptr<PostShader> compositeShader;  // texture.vert and texture.frag
  std::unique_ptr<PostShader> reduceShader;     // texture.vert and reduce.frag: the glow's level 2
  // What every model load shares; it outlives every mesh object below and in the registry.
  std::unique_ptr<scene::AssetCache> assets;
  std::unique_ptr<scene::MeshObject> textureObject;
  std::unique_ptr<scene::CameraActor> camera;
  // Mesh source of the swinging arm; never registered, released after the registry.
  std::unique_ptr<scene::MeshObject> armMesh;
  std::unique_ptr<Sounds> sounds;
  std::unique_ptr<Hud> hud;
};

World& world();

}  // namespace vorn
