#include "scene/SceneRegistry.h"

#include <iostream>
#include <stdexcept>

#include <glm/gtc/matrix_transform.hpp>

namespace vorn {

std::unique_ptr<SceneRegistry> sceneRegistry;

namespace {

// Below 1.0 is transparent; 1.0 and NaN are opaque (the comparison is false for NaN).
bool isTransparent(scene::SceneObject& object) { return object.getOpacity() < 1.0f; }

// An object is placeable when it can report a pose; an import that produced no actor cannot.
bool hasPose(scene::SceneObject& object) {
  try {
    object.getActor();
    return true;
  } catch (const std::out_of_range&) {
    return false;
  }
}

template <typename Map>
typename Map::mapped_type lookup(const Map& map, const std::string& name) {
  auto it = map.find(name);
  return it == map.end() ? typename Map::mapped_type() : it->second;
}

}  // namespace

SceneRegistry::~SceneRegistry() {
  pointLights.clear();
  spotLights.clear();
  opaqueObjects.clear();
  transparentObjects.clear();
}

void SceneRegistry::addObject(const glm::vec3& position, const std::string& name,
                              const std::shared_ptr<scene::SceneObject>& object,
                              float angleDegrees) {
  if (!object || !hasPose(*object)) {
    std::cerr << "ERROR: cannot place '" << name << "': the object has no physics actor"
              << std::endl;
    return;
  }
  const glm::mat4 rotation =
      glm::rotate(glm::mat4(1.0f), angleDegrees * 0.017453292f, glm::vec3(0.0f, 1.0f, 0.0f));
  object->transform(rotation, false);
  glm::mat4 translation(1.0f);
  translation[3] = glm::vec4(position, 1.0f);
  object->transform(translation, false);
  insert(name, object);
}

void SceneRegistry::insert(const std::string& name,
                           const std::shared_ptr<scene::SceneObject>& object) {
  ObjectMap& target = isTransparent(*object) ? transparentObjects : opaqueObjects;
  target[name] = object;
}

void SceneRegistry::addOwned(scene::SceneObject* object, const std::string& name) {
  insert(name, std::shared_ptr<scene::SceneObject>(object));
}

std::shared_ptr<scene::SceneObject> SceneRegistry::get(const std::string& name) const {
  if (auto opaque = lookup(opaqueObjects, name)) return opaque;
  return lookup(transparentObjects, name);
}

void SceneRegistry::remove(scene::SceneObject* object, const std::string& name) {
  ObjectMap& target = isTransparent(*object) ? transparentObjects : opaqueObjects;
  target.erase(name);
}

void SceneRegistry::replace(const std::string& name,
                            const std::shared_ptr<scene::SceneObject>& newObject) {
  auto it = opaqueObjects.find(name);
  if (it == opaqueObjects.end() || !it->second || !hasPose(*it->second)) {
    std::cerr << "ERROR: cannot replace '" << name << "': no placed opaque object of that name"
              << std::endl;
    return;
  }
  newObject->transform(scene::poseToMatrix(it->second->getGlobalPose()), false);
  it->second = newObject;
}

void SceneRegistry::addPointLight(const std::string& name,
                                  const std::shared_ptr<scene::PointLight>& light) {
  pointLights[name] = light;
}

std::shared_ptr<scene::PointLight> SceneRegistry::getPointLight(const std::string& name) const {
  return lookup(pointLights, name);
}

void SceneRegistry::addSpotLight(const std::string& name,
                                 const std::shared_ptr<scene::SpotLight>& light) {
  spotLights[name] = light;
}

std::shared_ptr<scene::SpotLight> SceneRegistry::getSpotLight(const std::string& name) const {
  return lookup(spotLights, name);
}

}  // namespace vorn
