#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>

#include <glm/vec4.hpp>

#include "app/Game.h"
#include "app/Hud.h"
#include "app/Sounds.h"
#include "app/Throw.h"
#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/MeshObject.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

const char* const kBoxModel = "Resources/Censorable/box.obj";

// Between 0.2 (rand() at its maximum) and 1.0 (rand() = 0). The range is RAND_MAX's, which is
// far more than 32767 on this platform.
float randomBoxScale() { return static_cast<float>(1 - 0.8 * std::rand() / RAND_MAX); }

std::string censoredModelPath(const std::string& path) {
  return path.substr(0, path.size() < 4 ? 0 : path.size() - 4) + "_censored.obj";
}

// Takes a censored or thrown object out of the world: its bodies leave the physics scene and its
// GPU objects go; the object itself lives on while somebody still holds a handle.
void releaseFromWorld(scene::SceneObject* object) {
  if (auto* mesh = dynamic_cast<scene::MeshObject*>(object)) mesh->releaseResources();
}

}  // namespace

void Game::throwBox() {
  boxCount += 1;
  const PhysicsMaterial material = physics->createMaterial(0.5f, 0.5f, 0.5f);
  auto box = std::make_shared<scene::MeshObject>("box" + std::to_string(boxCount),
                                                 basePath + kBoxModel, scene::kDynamicBody);
  const float z = randomBoxScale();
  const float y = randomBoxScale();
  const float x = randomBoxScale();
  loadModel(*box, material, x, y, z);
  if (box->actors.empty()) {
    std::cerr << "ERROR: no box thrown: " << box->path << " gave no body" << std::endl;
    return;
  }
  ::scene().addObject(glm::vec3(0.0f), box->getName(), box, 0.0f);
  Physics::setupFiltering(box.get(), kBoxGroup, kBoxMask);

  const scene::CameraActor& camera = *world().camera;
  const ThrowStart start = throwStart(*physics->getScene(), camera.position, camera.front);
  box->setVelocity(start.velocity);
  ::scene().addObject(start.point, box->getName(), box, 0.0f);
  physics->getScene()->passThrough(*box->actors.front(), *camera.controller->getActor());
  world().sounds->play(Cue::Throw);
}

void Game::updateAim() {
  scene::CameraActor& camera = *world().camera;
  const RayHit touch = firstTouch(*physics->getScene(),
                                  throwStart(*physics->getScene(), camera.position, camera.front));
  aim.found = touch.actor != nullptr;
  aim.point = touch.point;
  scene::SceneObject* object = touch.actor ? touch.actor->userData : nullptr;
  aim.onTarget = object && object->getFilterGroup() == kCensorableGroup;
  aim.touched = object;
  const glm::vec4 clip = frameViewProjection * glm::vec4(touch.point, 1.0f);
  // A point behind the eye or below the picture shows at its bottom edge.
  const float y = clip.w > 0.0f ? clip.y / clip.w : -1.0f;
  aim.screenY = std::clamp((1.0f - y) * 0.5f, 0.0f, 1.0f) * static_cast<float>(height);
}

void Game::applyCensoring() {
  if (scene::SceneObject* box = physics->pendingTrigger) {
    physics->pendingTrigger = nullptr;
    const std::string name = box->getName();
    releaseFromWorld(box);
    ::scene().remove(box, name);
  }

  if (scene::SceneObject* target = physics->pendingTarget) {
    physics->pendingTarget = nullptr;
    auto* original = dynamic_cast<scene::MeshObject*>(target);
    const std::string name = target->getName();
    const std::shared_ptr<scene::SceneObject> registered = ::scene().get(name);
    if (!original || registered.get() != target) return;
    const PhysicsMaterial material = physics->createMaterial(0.5f, 0.5f, 0.5f);
    auto censored = std::make_shared<scene::MeshObject>(
        name + "_censored", censoredModelPath(original->path), scene::kDynamicBody);
    loadModel(*censored, material, 1, 1, 1);
    if (censored->actors.empty()) {
      std::cerr << "ERROR: '" << name << "' stays uncensored: " << censored->path << " gave no body"
                << std::endl;
      return;
    }
    // A refused swap leaves the original in place; the censored model goes with this scope.
    if (!::scene().replace(name, censored)) {
      std::cerr << "ERROR: '" << name << "' stays uncensored: the registry refused "
                << censored->path << std::endl;
      return;
    }
    // The physics world announced the hit on the console.
    world().hud->post("Censor IT!");
    world().sounds->playAt(Cue::Censor, target->getGlobalPose().p);
    releaseFromWorld(original);
    censoredCount += 1;
  }
}

}  // namespace vorn
