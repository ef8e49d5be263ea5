#pragma once

#include <string>

#include <glm/vec3.hpp>

namespace vorn {
namespace scene {

struct PointLight {
  std::string name;
  glm::vec3 color;
  glm::vec3 position;
  glm::vec3 attenuation;

  PointLight(std::string name, glm::vec3 color, glm::vec3 position, glm::vec3 attenuation)
      : name(std::move(name)), color(color), position(position), attenuation(attenuation) {}
};

struct SpotLight {
  std::string name;
  glm::vec3 color;
  glm::vec3 position;
  glm::vec3 attenuation;
  glm::vec3 direction;
  float cutoff;

  SpotLight(std::string name, glm::vec3 color, glm::vec3 position, glm::vec3 attenuation,
            glm::vec3 direction, float cutoff)
      : name(std::move(name)), color(color), position(position), attenuation(attenuation),
        direction(direction), cutoff(cutoff) {}
};

// A point on a plane and the plane's unit normal.
struct Plane {
  glm::vec3 point;
  glm::vec3 normal;

  Plane(glm::vec3 point, glm::vec3 normal) : point(point), normal(normal) {}
};

}  // namespace scene
}  // namespace vorn
