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
// the program's light arrays is reported and ignored.
void updatePointLight(const LightingShader& shader, int index, const scene::PointLight& light);
void updateSpotLight(const LightingShader& shader, int index, const scene::SpotLight& light);

}  // namespace vorn
