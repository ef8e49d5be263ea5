#include "render/ShadowMap.h"

#include <glm/gtc/type_ptr.hpp>
#include <iostream>

#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ViewFrustum.h"
#include "scene/SceneRegistry.h"

namespace vorn {

namespace {

struct CubeFace {
  glm::vec3 look;
  glm::vec3 up;
};

// In the order of the GL cube faces (+X, -X, +Y, -Y, +Z, -Z).
const CubeFace kCubeFaces[6] = {
    {{1, 0, 0}, {0, -1, 0}},  {{-1, 0, 0}, {0, -1, 0}}, {{0, 1, 0}, {0, 0, 1}},
    {{0, -1, 0}, {0, 0, -1}}, {{0, 0, 1}, {0, -1, 0}},  {{0, 0, -1}, {0, -1, 0}},
};

bool checkComplete() {
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  std::cerr << "ERROR: ShadowMapFBO status not complete" << status << std::endl;
  return false;
}

// Rows of the rotation are side, true up and minus forward, as for the camera's view.
glm::mat4 lookAt(const glm::vec3& eye, const glm::vec3& direction, const glm::vec3& up) {
  const glm::vec3 d = glm::normalize(direction);
  const glm::vec3 s = glm::normalize(glm::cross(d, up));
  const glm::vec3 w = glm::cross(s, d);
  glm::mat4 v(1.0f);
  for (int c = 0; c < 3; ++c) {
    v[c][0] = s[c];
    v[c][1] = w[c];
    v[c][2] = -d[c];
  }
  v[3][0] = -glm::dot(s, eye);
  v[3][1] = -glm::dot(w, eye);
  v[3][2] = glm::dot(d, eye);
  return v;
}

// Visits the union of the two maps in name order without copying them; a name present in both
// is visited once, with the opaque object.
template <typename Visit>
void forEachObjectByName(const ObjectMap& opaque, const ObjectMap& transparent, Visit visit) {
  auto o = opaque.begin();
  auto t = transparent.begin();
  while (o != opaque.end() || t != transparent.end()) {
    if (t == transparent.end() || (o != opaque.end() && o->first <= t->first)) {
      if (t != transparent.end() && t->first == o->first) ++t;
      visit(*o->second);
      ++o;
    } else {
      visit(*t->second);
      ++t;
    }
  }
}

void uploadFaceMatrices(const ShadowShader& shader, const glm::vec3& lightPos) {
  const glm::mat4 projection = perspectiveMatrix(90.0f, 1.0f, kShadowNear, kShadowFar);
  for (int i = 0; i < 6; ++i) {
    const glm::mat4 faceMatrix =
        projection * lookAt(lightPos, kCubeFaces[i].look, kCubeFaces[i].up);
    glUniformMatrix4fv(shader.viewProjections[i], 1, GL_FALSE, glm::value_ptr(faceMatrix));
  }
}

const glm::vec2 kNearFar(kShadowNear, kShadowFar);

std::shared_ptr<scene::PointLight> shadowLight(const SceneRegistry& registry) {
  std::shared_ptr<scene::PointLight> light = registry.getPointLight("point1");
  if (!light) std::cerr << "ERROR: no point light \"point1\" to cast shadows" << std::endl;
  return light;
}

void bindForDrawing(const ShadowMapFBO& map) {
  glBindFramebuffer(GL_FRAMEBUFFER, map.framebuffer);
  glViewport(0, 0, ShadowMapFBO::kSize, ShadowMapFBO::kSize);
}

void useShadowProgram(const ShadowShader& shader, const glm::vec3& lightPos) {
  shader.use();
  uploadFaceMatrices(shader, lightPos);
  const glm::vec4 lightPos4(lightPos, 1.0f);
  glUniform4fv(shader.lightPos, 1, glm::value_ptr(lightPos4));
  glUniform2fv(shader.nearFar, 1, glm::value_ptr(kNearFar));
}

void drawCaster(const ShadowShader& shader, scene::SceneObject& object, const glm::mat4& model) {
  glUniformMatrix4fv(shader.model, 1, GL_FALSE, glm::value_ptr(model));
  object.drawGeometry();
}

void endShadowPass(LightingShader& lighting) {
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  lighting.use();
  glUniform2fv(lighting.nearFar, 1, glm::value_ptr(kNearFar));
}

}  // namespace

ShadowMapFBO::~ShadowMapFBO() { release(); }

void ShadowMapFBO::release() {
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &depthTexture);
  framebuffer = 0;
  depthTexture = 0;
}

bool ShadowMapFBO::initSpot() {
  release();
  glGenTextures(1, &depthTexture);
  glBindTexture(GL_TEXTURE_2D, depthTexture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_DEPTH_COMPONENT24, kSize, kSize, 0, GL_DEPTH_COMPONENT,
               GL_FLOAT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_MODE, GL_COMPARE_REF_TO_TEXTURE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_COMPARE_FUNC, GL_LESS);

  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depthTexture, 0);
  glDrawBuffer(GL_NONE);
  return checkComplete();
}

bool ShadowMapFBO::initPoint() {
  release();
  glGenTextures(1, &depthTexture);
  glBindTexture(GL_TEXTURE_CUBE_MAP, depthTexture);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  for (int face = 0; face < 6; ++face) {
    glTexImage2D(GL_TEXTURE_CUBE_MAP_POSITIVE_X + face, 0, GL_DEPTH_COMPONENT24, kSize, kSize, 0,
                 GL_DEPTH_COMPONENT, GL_UNSIGNED_INT, nullptr);
  }
  // Soft shadows filter across face edges; without this the seams show as lines.
  glEnable(GL_TEXTURE_CUBE_MAP_SEAMLESS);

  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glFramebufferTexture(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, depthTexture, 0);
  glDrawBuffer(GL_NONE);
  glReadBuffer(GL_NONE);
  return checkComplete();
}

void shadowPass(ShadowMapFBO& pointMap, ShadowShader& pointShader, LightingShader& lighting,
                const SceneRegistry& registry, ViewFrustum& frustum,
                const RenderSettings& settings) {
  const std::shared_ptr<scene::PointLight> light = shadowLight(registry);
  if (!light) return;
  const glm::vec3 lightPos = light->position;

  bindForDrawing(pointMap);
  glClear(GL_DEPTH_BUFFER_BIT);
  frustum.updateAsBox(lightPos, kShadowFar, kShadowVerticalReach);
  useShadowProgram(pointShader, lightPos);
  glm::mat4 model;
  forEachObjectByName(registry.opaque(), registry.transparent(), [&](scene::SceneObject& object) {
    if (placeForPass(object, frustum, settings.frustumCulling, model))
      drawCaster(pointShader, object, model);
  });
  endShadowPass(lighting);
}

bool PointShadowCache::init() { return staticMap.initPoint(); }

void PointShadowCache::pass(ShadowMapFBO& pointMap, ShadowShader& pointShader,
                            LightingShader& lighting, const SceneRegistry& registry,
                            ViewFrustum& frustum, const RenderSettings& settings) {
  const std::shared_ptr<scene::PointLight> light = shadowLight(registry);
  if (!light) return;
  const View now{light->position, settings.frustumCulling, settings.wireframe};
  frustum.updateAsBox(now.lightPos, kShadowFar, kShadowVerticalReach);
  sortCasters(registry, frustum, now.culling);

  bool staticChanged = true;
  if (!drawn || !(now == view)) placeStaticCasters(frustum, now.culling);
  else if (staticBodies != lastStaticBodies)
    staticChanged = placeStaticCasters(frustum, now.culling);
  else staticChanged = false;
  if (staticChanged) {
    staticMapCurrent = false;
    lastWork = Work::kWholePass;
  } else if (looseCasters == lastLooseCasters) {
    lastWork = Work::kNothing;
  } else {
    lastWork = staticMapCurrent ? Work::kLooseOverStatic : Work::kStaticThenLoose;
  }

  if (lastWork != Work::kNothing) {
    useShadowProgram(pointShader, now.lightPos);
    if (lastWork == Work::kWholePass) {
      bindForDrawing(pointMap);
      glClear(GL_DEPTH_BUFFER_BIT);
      drawCasters(pointShader, staticCasters);
    } else {
      if (lastWork == Work::kStaticThenLoose) {
        bindForDrawing(staticMap);
        glClear(GL_DEPTH_BUFFER_BIT);
        drawCasters(pointShader, staticCasters);
        staticMapCurrent = true;
      }
      // All six faces are layers of one image.
      glCopyImageSubData(staticMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, 0, 0, 0,
                         pointMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, 0, 0, 0,
                         ShadowMapFBO::kSize, ShadowMapFBO::kSize, 6);
      bindForDrawing(pointMap);
    }
    drawCasters(pointShader, looseCasters);
  }
  endShadowPass(lighting);

  drawn = true;
  view = now;
  // The capacities go round with the contents, so a frame allocates nothing.
  staticBodies.swap(lastStaticBodies);
  looseCasters.swap(lastLooseCasters);
}

void PointShadowCache::drawCasters(const ShadowShader& shader, const std::vector<Caster>& casters) {
  for (const Caster& caster : casters) drawCaster(shader, *caster.object, caster.model);
}

void PointShadowCache::sortCasters(const SceneRegistry& registry, ViewFrustum& frustum,
                                   bool culling) {
  staticBodies.clear();
  looseCasters.clear();
  glm::mat4 model;
  forEachObjectByName(registry.opaque(), registry.transparent(), [&](scene::SceneObject& object) {
    if (object.kind == scene::kStaticBody) staticBodies.push_back(&object);
    else if (placeForPass(object, frustum, culling, model))
      looseCasters.push_back({&object, model});
  });
}

// Returns whether the static map's casters changed.
bool PointShadowCache::placeStaticCasters(ViewFrustum& frustum, bool culling) {
  placedStatic.clear();
  glm::mat4 model;
  for (scene::SceneObject* object : staticBodies) {
    if (placeForPass(*object, frustum, culling, model)) placedStatic.push_back({object, model});
  }
  const bool changed = placedStatic != staticCasters;
  placedStatic.swap(staticCasters);
  return changed;
}

}  // namespace vorn
