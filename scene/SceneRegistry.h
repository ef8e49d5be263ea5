#pragma once

#include <map>
#include <memory>
#include <string>
#include <string_view>

#include <glm/vec3.hpp>

#include "scene/Lights.h"
#include "scene/SceneObject.h"

namespace vorn {

// Ordered by name; looked up by any string without building a std::string (the game looks up
// objects and lights by literal names every frame).
using ObjectMap = std::map<std::string, std::shared_ptr<scene::SceneObject>, std::less<>>;

// The objects and lights of the running world, by name.
class SceneRegistry {
 public:
  SceneRegistry() = default;
  ~SceneRegistry();
  SceneRegistry(const SceneRegistry&) = delete;
  SceneRegistry& operator=(const SceneRegistry&) = delete;

  void addObject(const glm::vec3& position, const std::string& name,
                 const std::shared_ptr<scene::SceneObject>& object, float angleDegrees);
  void insert(const std::string& name, const std::shared_ptr<scene::SceneObject>& object);
  void addOwned(scene::SceneObject* object, const std::string& name);
  std::shared_ptr<scene::SceneObject> get(std::string_view name) const;
  void remove(scene::SceneObject* object, const std::string& name);
  ObjectMap getOpaqueObjects() const { return opaqueObjects; }
  ObjectMap getTransparentObjects() const { return transparentObjects; }
  // False when the replacement is refused; the old object then stays as it was.
  bool replace(const std::string& name, const std::shared_ptr<scene::SceneObject>& newObject);

  void addPointLight(const std::string& name, const std::shared_ptr<scene::PointLight>& light);
  std::shared_ptr<scene::PointLight> getPointLight(std::string_view name) const;
  void addSpotLight(const std::string& name, const std::shared_ptr<scene::SpotLight>& light);
  std::shared_ptr<scene::SpotLight> getSpotLight(std::string_view name) const;

  // Read-only views for the render passes, which must not copy the maps every frame.
  const ObjectMap& opaque() const { return opaqueObjects; }
  const ObjectMap& transparent() const { return transparentObjects; }

 private:
  ObjectMap opaqueObjects;
  ObjectMap transparentObjects;
  std::map<std::string, std::shared_ptr<scene::PointLight>, std::less<>> pointLights;
  std::map<std::string, std::shared_ptr<scene::SpotLight>, std::less<>> spotLights;
};

// The world's one registry; created by the world set-up, released by its teardown.
extern std::unique_ptr<SceneRegistry> sceneRegistry;

}  // namespace vorn

// Global, because inside vorn the name belongs to the namespace vorn::scene.
inline vorn::SceneRegistry& scene() { return *vorn::sceneRegistry; }
