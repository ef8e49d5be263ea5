#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "physics/Actor.h"
#include "physics/Pose.h"

namespace vorn {
namespace scene {

struct MaterialFactors {
  float ambient = 0.0f;
  float diffuse = 0.0f;
  float specular = 0.0f;
  float shininess = 0.0f;
};

glm::mat4 poseToMatrix(const Pose& pose);
Pose matrixToPose(const glm::mat4& m);

// The values of `kind`: which physics body an object's model gives it.
constexpr int32_t kStaticBody = 0;   // a static triangle-mesh body
constexpr int32_t kDynamicBody = 1;  // a dynamic convex body with a trigger shape
constexpr int32_t kNoBody = 2;       // no body of its own

// Everything placed in the world. It has no transform of its own: its pose is the global pose of
// its first physics actor, and every change of pose is written to all of its actors.
class SceneObject {
 public:
  SceneObject(std::string name, int32_t kind);
  virtual ~SceneObject();
  SceneObject(const SceneObject&) = delete;
  SceneObject& operator=(const SceneObject&) = delete;

  virtual void transform(const glm::mat4& m, bool local);
  virtual void draw(bool linearFiltering, int mipmapMode) = 0;
  // The triangles alone, for passes whose programs sample none of the object's textures (the
  // shadow depth pass): a mesh binds no textures for them.
  virtual void drawGeometry();
  virtual Pose getGlobalPose();
  virtual Actor* getActor();
  virtual void setVelocity(const glm::vec3& v);
  virtual MaterialFactors getMaterial();
  virtual float getOpacity();
  virtual std::vector<glm::vec4> getWorldCorners();
  // The same corners written into the caller's buffer: the render passes cull every object every
  // frame and keep one buffer whose capacity survives from object to object.
  virtual void fillWorldCorners(std::vector<glm::vec4>& out);
  virtual const std::string& getName();
  virtual uint32_t getFilterGroup();
  virtual uint32_t getFilterMask();
  virtual void setFilterGroup(uint32_t group);
  virtual void setFilterMask(uint32_t mask);

  // True when getActor() yields an actor, so the object can report and change its pose. An object
  // whose import produced no actor has none; placing or registering it is refused, because every
  // render pass asks registered objects for their pose.
  bool hasPose();

  std::string name;
  std::vector<Actor*> actors;  // owned by the physics scene
  int32_t kind;
  uint32_t filterGroup = 1;
  uint32_t filterMask = 1;
  float ambient = 0.0f;
  float diffuse = 0.0f;
  float specular = 0.0f;
  float shininess = 0.0f;
  float opacity = 1.0f;
  float bounds[6] = {0, 0, 0, 0, 0, 0};  // minX, maxX, minY, maxY, minZ, maxZ
  bool boundsEmpty = true;
  std::vector<glm::vec4> corners;
};

}  // namespace scene
}  // namespace vorn
