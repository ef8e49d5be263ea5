#include "bench/BareFrame.h"

#include <algorithm>
#include <map>
#include <string_view>

#include <GLFW/glfw3.h>
#include <glm/gtc/type_ptr.hpp>

#include "app/Game.h"
#include "app/World.h"
#include "render/Bloom.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "render/ShadowMap.h"
#include "render/ViewFrustum.h"
#include "scene/CameraActor.h"
#include "scene/DerivedObject.h"
#include "scene/MeshObject.h"
#include "scene/SceneRegistry.h"

namespace bench {

namespace {

vorn::scene::MeshObject& meshOf(vorn::scene::SceneObject& object) {
  if (auto* derived = dynamic_cast<vorn::scene::DerivedObject*>(&object))
    return dynamic_cast<vorn::scene::MeshObject&>(*derived->meshSource);
  return dynamic_cast<vorn::scene::MeshObject&>(object);
}

}  // namespace

BareFrame::BareFrame(vorn::Game& game)
    : game(game), shadowWork(vorn::world().pointShadowCache->lastWork),
      redrawn(vorn::world().pointShadowCache->redrawn) {
  vorn::World& w = vorn::world();
  const vorn::ShadowShader& shadow = *w.pointShadowShader;
  for (int i = 0; i < 6; ++i)
    glGetUniformfv(shadow.program, shadow.viewProjections[i], glm::value_ptr(faceMatrices[i]));
  glGetUniformfv(shadow.program, shadow.lightPos, glm::value_ptr(lightPosition));
  glGetUniformfv(shadow.program, shadow.nearFar, glm::value_ptr(nearFar));
  const vorn::LightingShader& lighting = *w.lightingShader;
  glGetUniformfv(lighting.program, lighting.viewProjection, glm::value_ptr(viewProjection));
  glGetUniformfv(lighting.program, lighting.cameraPos, glm::value_ptr(cameraPosition));

  const vorn::SceneRegistry& registry = ::scene();
  const float aspect = static_cast<float>(game.width) / static_cast<float>(game.height);
  vorn::ViewFrustum frustum(aspect, game.nearPlane, game.farPlane);
  const bool culling = game.frustumCulling;
  glm::mat4 model;

  // The shadow pass: both maps as one in name order (an opaque object hides a transparent one of
  // the same name), culled by the box about the light.
  frustum.updateAsBox(glm::vec3(lightPosition), vorn::kShadowFar, vorn::kShadowVerticalReach);
  std::map<std::string_view, vorn::scene::SceneObject*> byName;
  for (const auto& entry : registry.opaque()) byName.emplace(entry.first, entry.second.get());
  for (const auto& entry : registry.transparent()) byName.emplace(entry.first, entry.second.get());
  // Over the static casters' map, only the loose casters reaching where it changed are drawn.
  using Work = vorn::PointShadowCache::Work;
  const bool overStatic =
      shadowWork == Work::kLooseOverStatic || shadowWork == Work::kStaticThenLoose;
  const std::vector<vorn::scene::SceneObject*>& redrawnLoose = w.pointShadowCache->redrawnLoose;
  for (const auto& entry : byName) {
    vorn::scene::SceneObject& object = *entry.second;
    if (!vorn::placeForPass(object, frustum, culling, model)) continue;
    if (object.kind == vorn::scene::kStaticBody) record(staticShadowDraws, object, model, 1.0f);
    else if (!overStatic || std::count(redrawnLoose.begin(), redrawnLoose.end(), &object))
      record(looseShadowDraws, object, model, 1.0f);
  }

  const vorn::scene::CameraActor& camera = *w.camera;
  frustum.updateFromCamera(camera.position, camera.front, camera.up, camera.right,
                           camera.fieldOfView);
  for (const auto& entry : registry.opaque()) {
    if (vorn::placeForPass(*entry.second, frustum, culling, model))
      record(sceneDraws, *entry.second, model, entry.second->getOpacity());
  }
  opaqueDraws = sceneDraws.size();
  for (const auto& entry : registry.transparent()) {
    if (vorn::placeForPass(*entry.second, frustum, culling, model))
      record(sceneDraws, *entry.second, model,
             game.transparencyEnabled ? entry.second->getOpacity() : 1.0f);
  }

  std::vector<Draw> fullScreenDraws;
  record(fullScreenDraws, *w.textureObject, glm::mat4(1.0f), 1.0f);
  fullScreen = fullScreenDraws.front();
}

void BareFrame::record(std::vector<Draw>& draws, vorn::scene::SceneObject& object,
                       const glm::mat4& model, float alpha) {
  vorn::scene::MeshObject& mesh = meshOf(object);
  draws.push_back(
      {mesh.vao, model, object.getMaterial(), alpha, subMeshes.size(), mesh.subMeshes.size()});
  // A sub-mesh without a diffuse map draws with what unit 0 held before: the white texture the
  // scene pass binds for every object, or the previous sub-mesh's map.
  GLuint unit0 = vorn::world().lightingShader->neutralTexture;
  for (const vorn::SubMesh& sub : mesh.subMeshes) {
    if (const vorn::Texture* diffuse = mesh.diffuseTextures[sub.materialIndex].get())
      unit0 = diffuse->name;
    subMeshes.push_back({unit0, mesh.normalTextures[sub.materialIndex]->name,
                         static_cast<GLsizei>(sub.numIndices),
                         reinterpret_cast<const void*>(sizeof(uint32_t) * sub.baseIndex),
                         static_cast<GLint>(sub.baseVertex)});
  }
}

uint64_t BareFrame::drawCalls() const {
  uint64_t count = 0;
  for (const Draw& draw : sceneDraws) count += draw.subMeshCount;
  for (std::size_t d = 0; d < opaqueDraws; ++d) count += sceneDraws[d].subMeshCount;
  if (!game.effectsEnabled) return count;
  using Work = vorn::PointShadowCache::Work;
  if (shadowWork == Work::kStaticThenLoose || shadowWork == Work::kWholePass)
    for (const Draw& draw : staticShadowDraws) count += draw.subMeshCount;
  if (shadowWork != Work::kNothing)
    for (const Draw& draw : looseShadowDraws) count += draw.subMeshCount;
  if (game.postProcessing()) count += 4 * fullScreen.subMeshCount;
  return count;
}

void BareFrame::draw() {
  if (game.effectsEnabled) shadowPass();
  scenePass();
  if (game.postProcessing()) postProcess();
  glfwSwapBuffers(game.window);
  glfwPollEvents();
}

void BareFrame::drawSubMeshes(const Draw& draw) {
  glBindVertexArray(draw.vao);
  for (std::size_t i = draw.firstSubMesh; i < draw.firstSubMesh + draw.subMeshCount; ++i) {
    const SubMesh& sub = subMeshes[i];
    glDrawElementsBaseVertex(GL_TRIANGLES, sub.indexCount, GL_UNSIGNED_INT, sub.indexOffset,
                             sub.baseVertex);
  }
}

void BareFrame::shadowPass() {
  const vorn::World& w = vorn::world();
  using Work = vorn::PointShadowCache::Work;
  if (shadowWork != Work::kNothing) {
    const vorn::ShadowShader& shadow = *w.pointShadowShader;
    const vorn::ShadowMapFBO& staticMap = w.pointShadowCache->staticMap;
    const vorn::ShadowMapFBO& pointMap = *w.pointShadowMap;
    constexpr int kSize = vorn::ShadowMapFBO::kSize;
    glUseProgram(shadow.program);
    for (int i = 0; i < 6; ++i)
      glUniformMatrix4fv(shadow.viewProjections[i], 1, GL_FALSE, glm::value_ptr(faceMatrices[i]));
    glUniform4fv(shadow.lightPos, 1, glm::value_ptr(lightPosition));
    glUniform2fv(shadow.nearFar, 1, glm::value_ptr(nearFar));
    if (shadowWork == Work::kWholePass) {
      glBindFramebuffer(GL_FRAMEBUFFER, pointMap.framebuffer);
      glViewport(0, 0, kSize, kSize);
      glClear(GL_DEPTH_BUFFER_BIT);
      drawShadowCasters(staticShadowDraws);
      drawShadowCasters(looseShadowDraws);
    } else {
      if (shadowWork == Work::kStaticThenLoose) {
        glBindFramebuffer(GL_FRAMEBUFFER, staticMap.framebuffer);
        glViewport(0, 0, kSize, kSize);
        glClear(GL_DEPTH_BUFFER_BIT);
        drawShadowCasters(staticShadowDraws);
      }
      for (int face = 0; face < 6; ++face) {
        const vorn::FaceRect& r = redrawn[face];
        if (!r.empty())
          glCopyImageSubData(staticMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, r.left, r.bottom, face,
                             pointMap.depthTexture, GL_TEXTURE_CUBE_MAP, 0, r.left, r.bottom, face,
                             r.width, r.height, 1);
        glScissorIndexed(face, r.left, r.bottom, r.width, r.height);
      }
      glBindFramebuffer(GL_FRAMEBUFFER, pointMap.framebuffer);
      glViewport(0, 0, kSize, kSize);
      glEnable(GL_SCISSOR_TEST);
      drawShadowCasters(looseShadowDraws);
      glDisable(GL_SCISSOR_TEST);
    }
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glUseProgram(w.lightingShader->program);
  glUniform2fv(w.lightingShader->nearFar, 1, glm::value_ptr(nearFar));
}

void BareFrame::drawShadowCasters(const std::vector<Draw>& draws) {
  const GLint model = vorn::world().pointShadowShader->model;
  for (const Draw& draw : draws) {
    glUniformMatrix4fv(model, 1, GL_FALSE, glm::value_ptr(draw.model));
    drawSubMeshes(draw);
  }
}

void BareFrame::scenePass() {
  const vorn::World& w = vorn::world();
  const vorn::LightingShader& lighting = *w.lightingShader;
  if (game.postProcessing()) glBindFramebuffer(GL_FRAMEBUFFER, w.bloom->framebuffer);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glViewport(0, 0, game.width, game.height);
  glDisable(GL_POLYGON_OFFSET_FILL);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, w.spotShadowMap->depthTexture);
  glActiveTexture(GL_TEXTURE2);
  glBindTexture(GL_TEXTURE_CUBE_MAP, w.pointShadowMap->depthTexture);
  glUseProgram(lighting.program);
  glUniform3fv(lighting.cameraPos, 1, glm::value_ptr(cameraPosition));
  depthPrePass();
  glUseProgram(lighting.program);
  glBindSampler(2, lighting.shadowSampler);
  glUniformMatrix4fv(lighting.viewProjection, 1, GL_FALSE, glm::value_ptr(viewProjection));
  glDepthFunc(GL_LEQUAL);
  glDepthMask(GL_FALSE);
  for (std::size_t d = 0; d < sceneDraws.size(); ++d) {
    const Draw& draw = sceneDraws[d];
    if (d == opaqueDraws) {
      glDepthMask(GL_TRUE);
      glDepthFunc(GL_LESS);
    }
    glUniformMatrix4fv(lighting.model, 1, GL_FALSE, glm::value_ptr(draw.model));
    glUniform1f(lighting.matAmbient, draw.material.ambient);
    glUniform1f(lighting.matDiffuse, draw.material.diffuse);
    glUniform1f(lighting.matSpecular, draw.material.specular);
    glUniform1f(lighting.matShininess, draw.material.shininess);
    glUniform1f(lighting.alpha, draw.alpha);
    glBindVertexArray(draw.vao);
    for (std::size_t i = draw.firstSubMesh; i < draw.firstSubMesh + draw.subMeshCount; ++i) {
      const SubMesh& sub = subMeshes[i];
      glActiveTexture(GL_TEXTURE0);
      glBindTexture(GL_TEXTURE_2D, sub.diffuse);
      glActiveTexture(GL_TEXTURE3);
      glBindTexture(GL_TEXTURE_2D, sub.normal);
      glDrawElementsBaseVertex(GL_TRIANGLES, sub.indexCount, GL_UNSIGNED_INT, sub.indexOffset,
                               sub.baseVertex);
    }
  }
}

void BareFrame::depthPrePass() {
  const vorn::ShadowShader& depthOnly = *vorn::world().spotShadowShader;
  glUseProgram(depthOnly.program);
  glUniformMatrix4fv(depthOnly.viewProjections[0], 1, GL_FALSE, glm::value_ptr(viewProjection));
  glColorMask(GL_FALSE, GL_FALSE, GL_FALSE, GL_FALSE);
  for (std::size_t d = 0; d < opaqueDraws; ++d) {
    glUniformMatrix4fv(depthOnly.model, 1, GL_FALSE, glm::value_ptr(sceneDraws[d].model));
    drawSubMeshes(sceneDraws[d]);
  }
  glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
}

void BareFrame::postProcess() {
  const vorn::World& w = vorn::world();
  const int width = game.width;
  const int height = game.height;
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glDepthFunc(GL_ALWAYS);
  glDepthMask(GL_FALSE);
  glViewport(0, 0, width / 4, height / 4);
  const struct {
    GLuint target;
    GLuint source;
    GLuint sampler;
    int horizontal;
  } blurs[2] = {{w.blurA->framebuffer, w.bloom->glowTexture, w.bloom->glowSampler, 1},
                {w.blurB->framebuffer, w.blurA->colorTexture, 0, 0}};
  glBindFramebuffer(GL_FRAMEBUFFER, w.bloom->reducedGlowFramebuffer);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, w.bloom->glowTexture);
  glBindSampler(0, 0);
  glUseProgram(w.reduceShader->program);
  glUniform1i(w.reduceShader->textureUnit1, 0);
  drawSubMeshes(fullScreen);
  for (const auto& blur : blurs) {
    glBindFramebuffer(GL_FRAMEBUFFER, blur.target);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, blur.source);
    glBindSampler(0, blur.sampler);
    glUseProgram(w.blurShader->program);
    glUniform1i(w.blurShader->textureUnit1, 0);
    glUniform1i(w.blurShader->horizontal, blur.horizontal);
    drawSubMeshes(fullScreen);
  }
  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, width, height);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, w.bloom->sceneTexture);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, w.blurB->colorTexture);
  glUseProgram(w.compositeShader->program);
  glUniform1i(w.compositeShader->textureUnit1, 0);
  glUniform1i(w.compositeShader->textureUnit2, 1);
  drawSubMeshes(fullScreen);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
}

}  // namespace bench
