#include "render/ScenePass.h"

#include <cmath>
#include <glm/gtc/type_ptr.hpp>
#include <iostream>

#include "base/Degrees.h"
#include "render/ShaderProgram.h"
#include "render/ViewFrustum.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

constexpr GLuint kShadowCubeUnit = 2;

void drawObject(scene::SceneObject& object, const glm::mat4& model, float alpha,
                const LightingShader& lighting, const RenderSettings& settings) {
  const scene::MaterialFactors material = object.getMaterial();
  glUniformMatrix4fv(lighting.model, 1, GL_FALSE, glm::value_ptr(model));
  glUniform1f(lighting.matAmbient, material.ambient);
  glUniform1f(lighting.matDiffuse, material.diffuse);
  glUniform1f(lighting.matSpecular, material.specular);
  glUniform1f(lighting.matShininess, material.shininess);
  glUniform1f(lighting.alpha, alpha);
  // A mesh binds its diffuse map only when it has one; without, it would take whatever unit 0
  // holds from the previous object (or from post-processing, which left the scene target there).
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, lighting.neutralTexture);
  object.draw(settings.bilinearFiltering, settings.mipmapMode);
}

// Lays down the depth of the opaque objects, so that the lighting runs once per pixel instead of
// once for every surface drawn over it.
void depthPrePass(const glm::mat4& viewProjection, const ShadowShader& depthOnly,
                  const SceneRegistry& registry, ViewFrustum& frustum,
                  const RenderSettings& settings) {
  depthOnly.use();
  glUniformMatrix4fv(depthOnly.viewProjections[0], 1, GL_FALSE, glm::value_ptr(viewProjection));
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  glm::mat4 model;
  for (const auto& entry : registry.opaque()) {
    scene::SceneObject& object = *entry.second;
    if (!placeForPass(object, frustum, settings.frustumCulling, model)) continue;
    glUniformMatrix4fv(depthOnly.model, 1, GL_FALSE, glm::value_ptr(model));
    object.drawGeometry();
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

}  // namespace

CameraView cameraView(const scene::CameraActor& camera) {
  return {camera.position, camera.front, camera.up, camera.right, camera.fieldOfView};
}

glm::mat4 perspectiveMatrix(float fieldOfViewDegrees, float aspect, float near, float far) {
  const float t = static_cast<float>(
      std::tan(static_cast<double>(fieldOfViewDegrees * kRadiansPerDegree) / 2.0));
  glm::mat4 p(0.0f);
  p[0][0] = 1.0f / (aspect * t);
  p[1][1] = 1.0f / t;
  p[2][2] = -(far + near) / (far - near);
  p[2][3] = -1.0f;
  p[3][2] = -(2.0f * far * near) / (far - near);
  return p;
}

bool placeForPass(scene::SceneObject& object, ViewFrustum& frustum, bool culling,
                  glm::mat4& model) {
  if (culling && !frustum.contains(object)) return false;
  model = scene::poseToMatrix(object.getGlobalPose());
  return true;
}

int scenePass(const glm::mat4& viewProjection, const ScenePrograms& programs,
              const SceneRegistry& registry, ViewFrustum& frustum, const CameraView& camera,
              const RenderSettings& settings, bool& reportDrawCount) {
  frustum.updateFromCamera(camera.position, camera.front, camera.up, camera.right,
                           camera.fieldOfView);
  // The maps are iterated in place: nothing the pass calls adds or removes registry entries.
  glm::mat4 model;
  if (programs.depthOnly) {
    depthPrePass(viewProjection, *programs.depthOnly, registry, frustum, settings);
    // Opaque surfaces are shaded only where they are the nearest: their depth is already there.
    glDepthFunc(GL_LEQUAL);
    glDepthMask(GL_FALSE);
  }

  LightingShader& lighting = programs.lighting;
  lighting.use();
  glBindSampler(kShadowCubeUnit, lighting.shadowSampler);
  glUniformMatrix4fv(lighting.viewProjection, 1, GL_FALSE, glm::value_ptr(viewProjection));
  int count = 0;
  for (const auto& entry : registry.opaque()) {
    scene::SceneObject& object = *entry.second;
    if (!placeForPass(object, frustum, settings.frustumCulling, model)) continue;
    drawObject(object, model, object.getOpacity(), lighting, settings);
    ++count;
  }
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
  for (const auto& entry : registry.transparent()) {
    scene::SceneObject& object = *entry.second;
    if (!placeForPass(object, frustum, settings.frustumCulling, model)) continue;
    const float alpha = settings.transparencyEnabled ? object.getOpacity() : 1.0f;
    drawObject(object, model, alpha, lighting, settings);
    ++count;
  }

  if (reportDrawCount) {
    reportDrawCount = false;
    std::cout << "Objects drawn: " << count << std::endl;
  }
  return count;
}

}  // namespace vorn
