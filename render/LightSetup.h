#pragma once

#include <array>

#include "render/ShaderProgram.h"
#include "scene/Lights.h"

namespace vorn {

class SceneRegistry;

// Creates and registers the ambient, point and spot lights of the chosen layout (the upper-floor
// layout when lightsSwitched) and uploads them all; makes the lighting program current.
void setupLights(LightingShader& shader, SceneRegistry& registry, bool lightsSwitched);

// Bulk uploads into the current program: the light count, then every light.
void uploadPointLights(const LightingShader& shader,
                       const std::array<scene::PointLight, kPointLightCount>& lights);
void uploadSpotLights(const LightingShader& shader,
                      const std::array<scene::SpotLight, kSpotLightCount>& lights);

// Single-light uploads into the current program; the counts are not touched. An index outside
// the program's light arrays is reported and ignored. Every upload, bulk or single, writes the
// light's derived values with its own.
void updatePointLight(const LightingShader& shader, int index, const scene::PointLight& light);
void updateSpotLight(const LightingShader& shader, int index, const scene::SpotLight& light);

// What the lighting program takes besides a light's own values: what follows from them alone,
// worked out once per upload instead of in every fragment.
struct DerivedLightValues {
  // 1 / reach squared. A light reaches as far as its brightest colour channel over its
  // attenuation stays above 0.2 (before exposure and the window that fades it out), and never
  // beyond the point shadow map's far plane; one too faint to count anywhere gets the largest
  // float (no reach).
  float reachInverseSquared = 0.0f;
  // Spot lights: 1 / |direction|, and 1 / the width in cosine of the cone's soft edge, which
  // gives full light from a little inside the cut-off angle and none outside it. Both are 0 for a
  // zero direction, which lights nothing.
  float axisInverseLength = 0.0f;
  float coneSharpness = 0.0f;
};

DerivedLightValues derivedValues(const scene::PointLight& light);
DerivedLightValues derivedValues(const scene::SpotLight& light);

}  // namespace vorn
