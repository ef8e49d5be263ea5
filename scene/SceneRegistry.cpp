#include "scene/SceneRegistry.h"

#include <iostream>

#include <glm/gtc/matrix_transform.hpp>

#include "base/Degrees.h"

namespace vorn {

std::unique_ptr<SceneRegistry> sceneRegistry;

namespace {

// Below 1.0 is transparent; 1.0 and NaN are opaque (the comparison is false for NaN).
bool isTransparent(scene::SceneObject& object) { return object.getOpacity() < 1.0f; }

// Registered objects are drawn and culled by their pose every frame, so an object that cannot
// report one (its model failed to load) is kept out of the registry instead of failing later.
bool acceptable(const std::shared_ptr<scene::SceneObject>& object, const std::string& name,
                const char* what) {
  if (!object) {
    std::cerr << "ERROR: cannot " << what << " '" << name << "': no object given" << std::endl;
    return false;
  }
  if (!object->hasPose()) {
    std::cerr << "ERROR: cannot " << what << " '" << name << "': the object has no physics actor"
              << std::endl;
    return false;
  }
  return true;
}

template <typename Map>
typename Map::mapped_type lookup(const Map& map, std::string_view name) {
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
  if (!acceptable(object, name, "place")) return;
  const glm::mat4 rotation =
      glm::rotate(glm::mat4(1.0f), angleDegrees * kRadiansPerDegree, glm::vec3(0.0f, 1.0f, 0.0f));
  object->transform(rotation, false);
  glm::mat4 translation(1.0f);
  translation[3] = glm::vec4(position, 1.0f);
  object->transform(translation, false);
  insert(name, object);
}

void SceneRegistry::insert(const std::string& name,
                           const std::shared_ptr<scene::SceneObject>& object) {
  if (!acceptable(object, name, "register")) return;
  ObjectMap& target = isTransparent(*object) ? transparentObjects : opaqueObjects;
  target[name] = object;
}

void SceneRegistry::addOwned(scene::SceneObject* object, const std::string& name) {
  insert(name, std::shared_ptr<scene::SceneObject>(object));
}

std::shared_ptr<scene::SceneObject> SceneRegistry::get(std::string_view name) const {
  if (auto opaque = lookup(opaqueObjects, name)) return opaque;
  return lookup(transparentObjects, name);
}

void SceneRegistry::remove(scene::SceneObject* object, const std::string& name) {
  if (object == nullptr) {
    std::cerr << "ERROR: cannot remove '" << name << "': no object given" << std::endl;
    return;
  }
  ObjectMap& target = isTransparent(*object) ? transparentObjects : opaqueObjects;
  target.erase(name);
}

// A replacement that cannot take over the pose would leave a poseless object in the map; the old
// object stays instead, so nothing disappears from the world.
bool SceneRegistry::replace(const std::string& name,
                            const std::shared_ptr<scene::SceneObject>& newObject) {
  auto it = opaqueObjects.find(name);
  if (it == opaqueObjects.end() || !it->second || !it->second->hasPose()) {
    std::cerr << "ERROR: cannot replace '" << name << "': no placed opaque object of that name"
              << std::endl;
    return false;
  }
  if (!acceptable(newObject, name, "replace")) return false;
  newObject->transform(scene::poseToMatrix(it->second->getGlobalPose()), false);
  it->second = newObject;
  return true;
}

void SceneRegistry::addPointLight(const std::string& name,
                                  const std::shared_ptr<scene::PointLight>& light) {
  pointLights[name] = light;
}

std::shared_ptr<scene::PointLight> SceneRegistry::getPointLight(std::string_view name) const {
  return lookup(pointLights, name);
}

void SceneRegistry::addSpotLight(const std::string& name,
                                 const std::shared_ptr<scene::SpotLight>& light) {
  spotLights[name] = light;
}

std::shared_ptr<scene::SpotLight> SceneRegistry::getSpotLight(std::string_view name) const {
  return lookup(spotLights, name);
}

}  // namespace vorn
