#include "render/LightSetup.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>
#include <memory>

#include <glm/geometric.hpp>

#include "render/ShadowMap.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

struct PointValues {
  const char* name;
  glm::vec3 color;
  glm::vec3 position;
  glm::vec3 attenuation;
};

struct SpotValues {
  const char* name;
  glm::vec3 color;
  glm::vec3 position;
  glm::vec3 attenuation;
  glm::vec3 direction;
  float cutoff;
};

const glm::vec3 kAmbientColor(0.4f, 0.4f, 0.5f);

// Index 0: the ground-floor layout; index 1: the layout used while the lights are switched.
const PointValues kPointLayouts[2][3] = {
    {{"point1", {0.5f, 0.9f, 1.0f}, {20.5f, 2.8f, 15.25f}, {0.5f, 0.05f, 0.05f}},
     {"point2", {1.0f, 0.9f, 0.8f}, {3.0f, 4.0f, -15.0f}, {0.5f, 0.01f, 0.04f}},
     {"point3", {1.0f, 0.9f, 0.8f}, {-3.0f, 4.0f, 15.0f}, {0.5f, 0.01f, 0.04f}}},
    {{"point1", {1.0f, 0.5f, 0.0f}, {0.4f, 7.2f, 9.0f}, {0.5f, 0.01f, 0.01f}},
     {"point2", {1.0f, 1.0f, 1.0f}, {-8.0f, 10.0f, -11.0f}, {0.5f, 0.01f, 0.04f}},
     {"point3", {1.0f, 1.0f, 1.0f}, {7.0f, 10.0f, -15.0f}, {0.5f, 0.01f, 0.04f}}},
};

const SpotValues kSpotLayouts[2][3] = {
    {{"spot1", {1.0f, 0.0f, 0.0f}, {-17.5f, 2.5f, -15.0f}, {0.5f, 0.01f, 0.04f}, {0, 0, -1}, 0.7f},
     {"spot2", {1.0f, 0.9f, 0.8f}, {6.0f, 6.0f, 0.0f}, {0.5f, 0.01f, 0.04f}, {0, 1, 0}, 0.5f},
     {"spot3", {1.0f, 0.9f, 0.8f}, {-6.0f, 6.0f, 0.0f}, {0.5f, 0.01f, 0.04f}, {0, 1, 0}, 0.5f}},
    {{"spot1", {1.0f, 1.0f, 1.0f}, {-8.0f, 12.0f, 15.0f}, {0.5f, 0.01f, 0.04f}, {0, 1, 0}, 0.5f},
     {"spot2", {1.0f, 1.0f, 1.0f}, {6.0f, 12.0f, 0.0f}, {0.5f, 0.01f, 0.04f}, {0, 1, 0}, 0.5f},
     {"spot3", {1.0f, 1.0f, 1.0f}, {-6.0f, 12.0f, 0.0f}, {0.5f, 0.01f, 0.04f}, {0, 1, 0}, 0.5f}},
};

// The same in both layouts.
const SpotValues kSpot4 = {
    "spot4", {1.0f, 0.9f, 0.7f}, {21.0f, 18.0f, 0.0f}, {1.0f, 0.0f, 0.0f}, {0, 1, 0}, 0.8f};

std::shared_ptr<scene::PointLight> registerPointLight(SceneRegistry& registry,
                                                      const PointValues& v) {
  auto light = std::make_shared<scene::PointLight>(v.name, v.color, v.position, v.attenuation);
  registry.addPointLight(light->name, light);
  return light;
}

std::shared_ptr<scene::SpotLight> registerSpotLight(SceneRegistry& registry, const SpotValues& v) {
  auto light = std::make_shared<scene::SpotLight>(v.name, v.color, v.position, v.attenuation,
                                                  v.direction, v.cutoff);
  registry.addSpotLight(light->name, light);
  return light;
}

// A lamp reaches as far as its brightest channel over its attenuation stays above this.
constexpr float kReachCutoff = 0.2f;

// Where the light falls to kReachCutoff: the positive root of c + l d + q d^2 = strength.
float reach(const glm::vec3& color, const glm::vec3& attenuation) {
  const float strength = std::max({color.r, color.g, color.b}) / kReachCutoff;
  const float c = attenuation.x - strength, l = attenuation.y, q = attenuation.z;
  if (c >= 0.0f) return 0.0f;  // too faint to count anywhere
  if (q > 0.0f) return std::min((std::sqrt(l * l - 4.0f * q * c) - l) / (2.0f * q), kShadowFar);
  return l > 0.0f ? std::min(-c / l, kShadowFar) : kShadowFar;
}

float inverseSquare(float reach) {
  return reach > 0.0f ? 1.0f / (reach * reach) : std::numeric_limits<float>::max();
}

bool validIndex(int index, int count, const char* kind) {
  if (index >= 0 && index < count) return true;
  std::cerr << "ERROR: no " << kind << " light with index " << index << std::endl;
  return false;
}

}  // namespace

void setupLights(LightingShader& shader, SceneRegistry& registry, bool lightsSwitched) {
  shader.use();
  glUniform3fv(shader.ambientColor, 1, &kAmbientColor[0]);

  const auto spot4 = registerSpotLight(registry, kSpot4);

  const PointValues(&points)[3] = kPointLayouts[lightsSwitched ? 1 : 0];
  const auto point1 = registerPointLight(registry, points[0]);
  const auto point2 = registerPointLight(registry, points[1]);
  const auto point3 = registerPointLight(registry, points[2]);
  uploadPointLights(shader, {*point1, *point2, *point3});

  const SpotValues(&spots)[3] = kSpotLayouts[lightsSwitched ? 1 : 0];
  const auto spot1 = registerSpotLight(registry, spots[0]);
  const auto spot2 = registerSpotLight(registry, spots[1]);
  const auto spot3 = registerSpotLight(registry, spots[2]);
  uploadSpotLights(shader, {*spot1, *spot2, *spot3, *spot4});
}

void uploadPointLights(const LightingShader& shader,
                       const std::array<scene::PointLight, kPointLightCount>& lights) {
  glUniform1i(shader.numPointLights, kPointLightCount);
  for (int i = 0; i < kPointLightCount; ++i) updatePointLight(shader, i, lights[i]);
}

void uploadSpotLights(const LightingShader& shader,
                      const std::array<scene::SpotLight, kSpotLightCount>& lights) {
  glUniform1i(shader.numSpotLights, kSpotLightCount);
  for (int i = 0; i < kSpotLightCount; ++i) updateSpotLight(shader, i, lights[i]);
}

void updatePointLight(const LightingShader& shader, int index, const scene::PointLight& light) {
  if (!validIndex(index, kPointLightCount, "point")) return;
  const PointLightLocations& at = shader.pointLights[index];
  glUniform3fv(at.color, 1, &light.color[0]);
  glUniform3fv(at.position, 1, &light.position[0]);
  glUniform3fv(at.attenuation, 1, &light.attenuation[0]);
  glUniform1f(at.reachInverseSquared, derivedValues(light).reachInverseSquared);
}

void updateSpotLight(const LightingShader& shader, int index, const scene::SpotLight& light) {
  if (!validIndex(index, kSpotLightCount, "spot")) return;
  const SpotLightLocations& at = shader.spotLights[index];
  glUniform3fv(at.color, 1, &light.color[0]);
  glUniform3fv(at.position, 1, &light.position[0]);
  glUniform3fv(at.attenuation, 1, &light.attenuation[0]);
  glUniform3fv(at.direction, 1, &light.direction[0]);
  glUniform1f(at.cutoff, light.cutoff);
  const DerivedLightValues derived = derivedValues(light);
  glUniform1f(at.reachInverseSquared, derived.reachInverseSquared);
  glUniform1f(at.axisInverseLength, derived.axisInverseLength);
  glUniform1f(at.coneSharpness, derived.coneSharpness);
}

DerivedLightValues derivedValues(const scene::PointLight& light) {
  DerivedLightValues derived;
  derived.reachInverseSquared = inverseSquare(reach(light.color, light.attenuation));
  return derived;
}

DerivedLightValues derivedValues(const scene::SpotLight& light) {
  DerivedLightValues derived;
  derived.reachInverseSquared = inverseSquare(reach(light.color, light.attenuation));
  const float axisLength = glm::length(light.direction);
  if (axisLength > 0.0f) {
    derived.axisInverseLength = 1.0f / axisLength;
    derived.coneSharpness = 1.0f / std::max(0.02f, 0.15f * (1.0f - light.cutoff));
  }
  return derived;
}

}  // namespace vorn
