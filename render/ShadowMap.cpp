#include "render/ShadowMap.h"

#include <algorithm>
#include <cmath>
#include <iostream>
#include <limits>

#include <glm/common.hpp>
#include <glm/gtc/type_ptr.hpp>

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

using FaceMatrices = std::array<glm::mat4, 6>;

FaceMatrices cubeFaceMatrices(const glm::vec3& lightPos) {
  const glm::mat4 projection = perspectiveMatrix(90.0f, 1.0f, kShadowNear, kShadowFar);
  FaceMatrices matrices;
  for (int i = 0; i < 6; ++i)
    matrices[i] = projection * lookAt(lightPos, kCubeFaces[i].look, kCubeFaces[i].up);
  return matrices;
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

void useShadowProgram(const ShadowShader& shader, const glm::vec3& lightPos,
                      const FaceMatrices& faces) {
  shader.use();
  for (int i = 0; i < 6; ++i)
    glUniformMatrix4fv(shader.viewProjections[i], 1, GL_FALSE, glm::value_ptr(faces[i]));
  const glm::vec4 lightPos4(lightPos, 1.0f);
  glUniform4fv(shader.lightPos, 1, glm::value_ptr(lightPos4));
  glUniform2fv(shader.nearFar, 1, glm::value_ptr(kNearFar));
}

void drawCaster(const ShadowShader& shader, scene::SceneObject& object, const glm::mat4& model) {
  glUniformMatrix4fv(shader.model, 1, GL_FALSE, glm::value_ptr(model));
  object.drawGeometry();
}

constexpr FaceRect kWholeFace{0, 0, ShadowMapFBO::kSize, ShadowMapFBO::kSize};
constexpr std::size_t kBoxCorners = 8;

// The texels whose centres a triangle between the two corners (in normalised device coordinates)
// can cover, a texel wider all round for the rounding of the projection and the rasteriser's
// snapping of corners; none when the corners lie beside the face.
FaceRect texelsBetween(const glm::vec2& low, const glm::vec2& high) {
  constexpr int kSize = ShadowMapFBO::kSize;
  constexpr float kHalf = 0.5f * kSize;
  // In window coordinates, held just beyond the face first so that no conversion overflows.
  const glm::vec2 from = glm::clamp((low + 1.0f) * kHalf, -2.0f, kSize + 2.0f);
  const glm::vec2 to = glm::clamp((high + 1.0f) * kHalf, -2.0f, kSize + 2.0f);
  const int left = std::max(static_cast<int>(std::floor(from.x)) - 1, 0);
  const int bottom = std::max(static_cast<int>(std::floor(from.y)) - 1, 0);
  const int right = std::min(static_cast<int>(std::ceil(to.x)) + 1, kSize);
  const int top = std::min(static_cast<int>(std::ceil(to.y)) + 1, kSize);
  if (right <= left || top <= bottom) return {};
  return {left, bottom, right - left, top - bottom};
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
  useShadowProgram(pointShader, lightPos, cubeFaceMatrices(lightPos));
  glm::mat4 model;
  forEachObjectByName(registry.opaque(), registry.transparent(), [&](scene::SceneObject& object) {
    if (placeForPass(object, frustum, settings.frustumCulling, model))
      drawCaster(pointShader, object, model);
  });
  endShadowPass(lighting);
}

bool FaceRect::overlaps(const FaceRect& other) const {
  return !empty() && !other.empty() && left < other.left + other.width &&
         other.left < left + width && bottom < other.bottom + other.height &&
         other.bottom < bottom + height;
}

void FaceRect::add(const FaceRect& other) {
  if (other.empty()) return;
  if (empty()) {
    *this = other;
    return;
  }
  const int right = std::max(left + width, other.left + other.width);
  const int top = std::max(bottom + height, other.bottom + other.height);
  left = std::min(left, other.left);
  bottom = std::min(bottom, other.bottom);
  width = right - left;
  height = top - bottom;
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
  if (!drawn || !(now == view)) {
    faceMatrices = cubeFaceMatrices(now.lightPos);
    placeStaticCasters(frustum, now.culling);
  } else if (staticBodies != lastStaticBodies) {
    staticChanged = placeStaticCasters(frustum, now.culling);
  } else {
    staticChanged = false;
  }
  redrawn.fill(FaceRect{});
  if (staticChanged) {
    staticMapCurrent = false;
    lastWork = Work::kWholePass;
  } else {
    markChanged(looseCasters, lastLooseCasters);
    markChanged(lastLooseCasters, looseCasters);
    const bool changed =
        std::any_of(redrawn.begin(), redrawn.end(), [](const FaceRect& r) { return !r.empty(); });
    // A wire frame's lines can land on another face than their triangle's (seen with Mesa's
    // llvmpipe, a box cut by the far plane outlined on its neighbour face), where no rectangle
    // of ours looks for them: wire frame redraws whole faces.
    if (changed && now.wireframe) redrawn.fill(kWholeFace);
    if (!changed) lastWork = Work::kNothing;
    else lastWork = staticMapCurrent ? Work::kLooseOverStatic : Work::kStaticThenLoose;
  }

  if (lastWork != Work::kNothing) {
    useShadowProgram(pointShader, now.lightPos, faceMatrices);
    if (lastWork == Work::kWholePass) {
      bindForDrawing(pointMap);
      glClear(GL_DEPTH_BUFFER_BIT);
      drawCasters(pointShader, staticCasters);
      drawCasters(pointShader, looseCasters);
    } else {
      if (lastWork == Work::kStaticThenLoose) {
        bindForDrawing(staticMap);
        glClear(GL_DEPTH_BUFFER_BIT);
        drawCasters(pointShader, staticCasters);
        staticMapCurrent = true;
      }
      redrawLooseOverStatic(pointMap, pointShader);
    }
  }
  endShadowPass(lighting);

  drawn = true;
  view = now;
  // The capacities go round with the contents, so a frame allocates nothing.
  staticBodies.swap(lastStaticBodies);
  looseCasters.swap(lastLooseCasters);
}

// The map holds the static casters and last pass's loose ones. Where a loose caster was or is now
// it takes the static casters' depth back, and every loose caster reaching there is drawn over it;
// elsewhere nothing of it changes.
void PointShadowCache::redrawLooseOverStatic(ShadowMapFBO& pointMap, const ShadowShader& shader) {
  for (int face = 0; face < 6; ++face) {
    const FaceRect& r = redrawn[face];
    if (!r.empty())
      glCopyImageSubData(staticMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, r.left, r.bottom, face,
                         pointMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, r.left, r.bottom, face,
                         r.width, r.height, 1);
    // The geometry stage draws each face through the viewport of its own index.
    glScissorIndexed(face, r.left, r.bottom, r.width, r.height);
  }
  bindForDrawing(pointMap);
  glEnable(GL_SCISSOR_TEST);
  redrawnLoose.clear();
  for (const Caster& caster : looseCasters) {
    const FaceRects rects = reach(caster);
    bool overlaps = false;
    for (int face = 0; face < 6; ++face) overlaps = overlaps || rects[face].overlaps(redrawn[face]);
    if (!overlaps) continue;
    redrawnLoose.push_back(caster.object);
    drawCaster(shader, *caster.object, caster.model);
  }
  glDisable(GL_SCISSOR_TEST);
}

// Adds to `redrawn` where each caster reaches that `others` lacks at the same pose: one that
// moved, came or went, where it is or was. Both lists are in the same name order.
void PointShadowCache::markChanged(const std::vector<Caster>& casters,
                                   const std::vector<Caster>& others) {
  std::size_t next = 0;
  for (const Caster& caster : casters) {
    std::size_t k = next;
    while (k < others.size() && others[k].object != caster.object) ++k;
    if (k < others.size()) {
      next = k + 1;
      if (others[k].model == caster.model) continue;
    }
    const FaceRects rects = reach(caster);
    for (int face = 0; face < 6; ++face) redrawn[face].add(rects[face]);
  }
}

// The texels of each face the caster's triangles can cover: its box clipped at the face's near
// plane, as the rasteriser clips the triangles, and projected as the geometry stage projects them.
// The clipped box is the hull of its corners in front of the plane and of the points where the
// plane cuts the lines between corners on either side of it; every face may see an object without
// a box of its own (the arm draws another object's mesh).
FaceRects PointShadowCache::reach(const Caster& caster) const {
  FaceRects rects;
  const std::vector<glm::vec4>& corners = caster.object->corners;
  if (corners.size() != kBoxCorners) {
    rects.fill(kWholeFace);
    return rects;
  }
  for (int face = 0; face < 6; ++face) {
    const glm::mat4 toFace = faceMatrices[face] * caster.model;
    std::array<glm::vec4, kBoxCorners> clip;
    for (std::size_t i = 0; i < kBoxCorners; ++i) clip[i] = toFace * corners[i];
    glm::vec2 low(std::numeric_limits<float>::max());
    glm::vec2 high(-std::numeric_limits<float>::max());
    const auto include = [&](const glm::vec4& point) {
      const glm::vec2 ndc = glm::vec2(point) / point.w;
      low = glm::min(low, ndc);
      high = glm::max(high, ndc);
    };
    bool seen = false;
    for (std::size_t i = 0; i < kBoxCorners; ++i) {
      const bool inFront = clip[i].w >= kShadowNear;
      if (inFront) include(clip[i]);
      seen = seen || inFront;
      for (std::size_t j = i + 1; j < kBoxCorners; ++j) {
        if (inFront == (clip[j].w >= kShadowNear)) continue;
        include(glm::mix(clip[i], clip[j], (kShadowNear - clip[i].w) / (clip[j].w - clip[i].w)));
      }
    }
    if (seen) rects[face] = texelsBetween(low, high);
  }
  return rects;
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
