#include <iostream>

#include <GL/glew.h>
#include <GLFW/glfw3.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/Game.h"
#include "app/Hud.h"
#include "app/Sounds.h"
#include "app/World.h"
#include "base/Degrees.h"
#include "render/Bloom.h"
#include "render/LightSetup.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/AssetCache.h"
#include "scene/CameraActor.h"
#include "scene/DerivedObject.h"
#include "scene/LevelLayout.h"
#include "scene/MeshObject.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

constexpr float kNearPlane = 0.1f;
constexpr float kFarPlane = 50.0f;
constexpr float kStartYawTurn = 2.8f;  // in units of the mouse sensitivity
const glm::vec3 kCameraStart(-15.0f, 0.0f, 0.0f);
constexpr const char* kScreenQuadFile = "Resources/cube.obj";
constexpr const char* kCameraModelFile = "Resources/Human/basic_male.obj";

glm::mat4 translation(const glm::vec3& offset) { return glm::translate(glm::mat4(1.0f), offset); }

// The arm hangs from the shoulder at (0, 3, 0) of the person's frame and is turned up from there.
glm::mat4 armRestPose() {
  glm::mat4 m = glm::translate(glm::mat4(1.0f), glm::vec3(0.0f, 3.0f, 0.0f));
  m = glm::rotate(m, 195.0f * kRadiansPerDegree, glm::vec3(0.0f, 0.0f, 1.0f));
  return glm::translate(m, glm::vec3(0.0f, -3.0f, 0.0f));
}

}  // namespace

std::vector<std::string> Game::worldModelFiles() const {
  std::vector<std::string> files{basePath + kScreenQuadFile, basePath + kCameraModelFile};
  for (const scene::LevelEntry& entry : scene::levelLayout())
    files.push_back(basePath + entry.modelFile);
  files.push_back(basePath + scene::kArmModelFile);
  return files;
}

void Game::initWorld(GLFWwindow* target) {
  World& w = world();
  glEnable(GL_DEPTH_TEST);
  glEnable(GL_CULL_FACE);
  glEnable(GL_BLEND);
  glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
  glfwSetWindowTitle(target, "Blotwise!");

  w.spotShadowMap = std::make_unique<ShadowMapFBO>();
  w.spotShadowMap->initSpot();
  w.spotShadowShader = std::make_unique<ShadowShader>(basePath + "Shader/spotShadowMap.vert",
                                                      basePath + "Shader/spotShadowMap.frag");
  w.pointShadowMap = std::make_unique<ShadowMapFBO>();
  w.pointShadowMap->initPoint();
  w.pointShadowCache = std::make_unique<PointShadowCache>();
  w.pointShadowCache->init();
  w.pointShadowShader = std::make_unique<ShadowShader>(basePath + "Shader/pointShadowMap.vert",
                                                       basePath + "Shader/pointShadowMap.geom",
                                                       basePath + "Shader/pointShadowMap.frag");
  w.lightingShader = std::make_unique<LightingShader>(basePath + "Shader/blinn_phong.vert",
                                                      basePath + "Shader/blinn_phong.frag");
  w.lightingShader->use();
  glUniform1i(w.lightingShader->textureUnit, 0);
  glUniform1i(w.lightingShader->shadowMapTextureUnit, 1);
  glUniform1i(w.lightingShader->shadowMapCubeUnit, 2);
  glUniform1i(w.lightingShader->normalUnit, 3);

  sceneRegistry.reset();
  sceneRegistry = std::make_unique<SceneRegistry>();

  nearPlane = kNearPlane;
  farPlane = kFarPlane;
  w.frustum = std::make_unique<ViewFrustum>(static_cast<float>(width) / static_cast<float>(height),
                                            nearPlane, farPlane);

  w.bloom = std::make_unique<BloomFBO>();
  w.bloom->init(width, height);
  w.blurA = std::make_unique<BlurFBO>();
  w.blurA->init(width / 4, height / 4);
  w.blurB = std::make_unique<BlurFBO>();
  w.blurB->init(width / 4, height / 4);
  w.blurShader = std::make_unique<PostShader>(basePath + "Shader/texture.vert",
                                              basePath + "Shader/gauss.frag");
  w.compositeShader = std::make_unique<PostShader>(basePath + "Shader/texture.vert",
                                                   basePath + "Shader/texture.frag");
  w.reduceShader = std::make_unique<PostShader>(basePath + "Shader/texture.vert",
                                                basePath + "Shader/reduce.frag");

  const PhysicsMaterial material = physics->createMaterial(0.5f, 0.5f, 0.5f);
  w.textureObject = std::make_unique<scene::MeshObject>("textureObject", basePath + kScreenQuadFile,
                                                        scene::kStaticBody);
  loadModel(*w.textureObject, material, 1, 1, 1);
  w.textureObject->transform(translation(glm::vec3(0.0f, -10.0f, 0.0f)), false);
  hasScreenQuad = !w.textureObject->subMeshes.empty();
  if (!hasScreenQuad)
    std::cerr << "ERROR: no post-processing geometry (" << w.textureObject->path
              << "); bloom stays off" << std::endl;

  w.camera = std::make_unique<scene::CameraActor>(physics->getScene(), glm::vec3(0.0f, 1.0f, 0.0f),
                                                  -90.0f, 0.0f, basePath + kCameraModelFile);
  loadModel(*w.camera, material, 1, 1, 1);
  w.camera->transform(translation(kCameraStart), false);
  w.camera->yaw -= kStartYawTurn * w.camera->mouseSensitivity;

  buildLevel();
  setupLights(*w.lightingShader, ::scene(), lightsSwitched);

  // Feedback beside the console: sound and the HUD drawn over every frame.
  std::unique_ptr<AudioDevice> output = audioDevice ? std::move(audioDevice) : AudioDevice::open();
  w.sounds = std::make_unique<Sounds>(basePath, std::move(output));
  w.hud = std::make_unique<Hud>(target, width, height);
}

void Game::buildLevel() {
  const PhysicsMaterial material = physics->createMaterial(0.5f, 0.5f, 0.5f);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    auto object =
        std::make_shared<scene::MeshObject>(entry.name, basePath + entry.modelFile, entry.kind);
    loadModel(*object, material, 1, 1, 1);
    if (object->actors.empty()) {
      std::cerr << "ERROR: '" << entry.name << "' has no model (" << object->path
                << "); it is left out of the level" << std::endl;
      continue;
    }
    if (scene::isCensorable(entry.name))
      Physics::setupFiltering(object.get(), kCensorableGroup, kCensorableMask);
    ::scene().addObject(entry.position, object->getName(), object, entry.angle);
  }

  World& w = world();
  w.armMesh = std::make_unique<scene::MeshObject>(scene::kArmName, basePath + scene::kArmModelFile,
                                                  scene::kNoBody);
  loadModel(*w.armMesh, material, 1, 1, 1);
  const std::shared_ptr<scene::SceneObject> anchor = ::scene().get(scene::kArmAnchorName);
  if (!anchor || w.armMesh->subMeshes.empty()) {
    std::cerr << "ERROR: the arm of '" << scene::kArmAnchorName
              << "' cannot be built: its person or its model is missing" << std::endl;
    return;
  }
  auto* arm = new scene::DerivedObject(w.armMesh.get(), anchor.get());
  ::scene().addOwned(arm, arm->getName());
  ::scene().get(scene::kArmDerivedName)->transform(armRestPose(), true);
}

void Game::destroyWorld() {
  World& w = world();
  w.hud.reset();
  w.sounds.reset();
  w.camera.reset();
  w.lightingShader.reset();
  w.spotShadowMap.reset();
  w.spotShadowShader.reset();
  w.pointShadowMap.reset();
  w.pointShadowCache.reset();
  w.pointShadowShader.reset();
  sceneRegistry.reset();
  w.frustum.reset();
  w.bloom.reset();
  w.blurA.reset();
  w.blurB.reset();
  w.blurShader.reset();
  w.compositeShader.reset();
  w.reduceShader.reset();
  w.textureObject.reset();
  // The derived arm borrowed this mesh; it went with the registry above.
  w.armMesh.reset();
  // Last: every body built over its shapes has left the physics scene with its mesh object above.
  w.assets.reset();
}

bool Game::loadModel(scene::MeshObject& object, const PhysicsMaterial& material, float scaleX,
                     float scaleY, float scaleZ) {
  return object.loadModel(*world().assets, material, physics->getCooking(), physics->getScene(),
                          scaleX, scaleY, scaleZ);
}

}  // namespace vorn
