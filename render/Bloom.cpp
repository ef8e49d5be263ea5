#include "render/Bloom.h"

#include <algorithm>
#include <iostream>

#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "scene/SceneObject.h"

namespace vorn {

namespace {

// The glow's mipmap level whose texels each hold the mean of the 4 x 4 texels that one blur pixel
// stands for.
constexpr GLint kGlowLevel = 2;

GLuint createColorTarget(int width, int height, GLenum attachment) {
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, width, height, 0, GL_RGBA, GL_FLOAT, nullptr);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  glFramebufferTexture(GL_FRAMEBUFFER, attachment, texture, 0);
  return texture;
}

GLuint createDepthTarget(int width, int height) {
  GLuint renderbuffer = 0;
  glGenRenderbuffers(1, &renderbuffer);
  glBindRenderbuffer(GL_RENDERBUFFER, renderbuffer);
  glRenderbufferStorage(GL_RENDERBUFFER, GL_DEPTH_COMPONENT, width, height);
  glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, renderbuffer);
  return renderbuffer;
}

GLuint createBoundFramebuffer() {
  GLuint framebuffer = 0;
  glGenFramebuffers(1, &framebuffer);
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  return framebuffer;
}

bool checkComplete() {
  const GLenum status = glCheckFramebufferStatus(GL_FRAMEBUFFER);
  if (status == GL_FRAMEBUFFER_COMPLETE) return true;
  std::cerr << "ERROR: BloomFBO status not complete" << status << std::endl;
  return false;
}

void clearTarget() {
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
  glClearColor(0.1f, 0.1f, 0.1f, 1.0f);
}

// The glow's 4 x 4 means into its level 2, read from level 0 with the texture's own filter (no
// mipmaps, so no loop between the level drawn and the levels read). Expects the quarter-size
// viewport.
void reduceGlow(const BloomFBO& bloom, const PostShader& reduce, scene::SceneObject& fullScreenMesh,
                const RenderSettings& settings) {
  glBindFramebuffer(GL_FRAMEBUFFER, bloom.reducedGlowFramebuffer);
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, bloom.glowTexture);
  glBindSampler(0, 0);
  reduce.use();
  glUniform1i(reduce.textureUnit1, 0);
  fullScreenMesh.draw(settings.bilinearFiltering, settings.mipmapMode);
}

void blurPass(const BlurFBO& target, GLuint source, GLuint sampler, const PostShader& blur,
              bool horizontal, scene::SceneObject& fullScreenMesh, const RenderSettings& settings) {
  glBindFramebuffer(GL_FRAMEBUFFER, target.framebuffer);
  clearTarget();
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, source);
  glBindSampler(0, sampler);
  blur.use();
  glUniform1i(blur.textureUnit1, 0);
  glUniform1i(blur.horizontal, horizontal ? 1 : 0);
  fullScreenMesh.draw(settings.bilinearFiltering, settings.mipmapMode);
}

}  // namespace

BloomFBO::~BloomFBO() { release(); }

void BloomFBO::release() {
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteFramebuffers(1, &reducedGlowFramebuffer);
  glDeleteTextures(1, &sceneTexture);
  glDeleteTextures(1, &glowTexture);
  glDeleteRenderbuffers(1, &depthRenderbuffer);
  glDeleteSamplers(1, &glowSampler);
  framebuffer = reducedGlowFramebuffer = sceneTexture = glowTexture = depthRenderbuffer =
      glowSampler = 0;
}

bool BloomFBO::init(int width, int height) {
  release();
  framebuffer = createBoundFramebuffer();
  depthRenderbuffer = createDepthTarget(width, height);
  sceneTexture = createColorTarget(width, height, GL_COLOR_ATTACHMENT0);
  glowTexture = createColorTarget(width, height, GL_COLOR_ATTACHMENT1);
  const GLenum drawBuffers[2] = {GL_COLOR_ATTACHMENT0, GL_COLOR_ATTACHMENT1};
  glDrawBuffers(2, drawBuffers);
  // The blur reads level 2 and no further; post-processing writes it each frame through a
  // framebuffer of its own, and level 1 is there only for the texture to be complete. The driver's
  // own mipmap generator would cost more each frame, and far more the first time it is used.
  glBindTexture(GL_TEXTURE_2D, glowTexture);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, kGlowLevel);
  for (GLint level = 1; level <= kGlowLevel; ++level) {
    glTexImage2D(GL_TEXTURE_2D, level, GL_RGBA8, std::max(width >> level, 1),
                 std::max(height >> level, 1), 0, GL_RGBA, GL_FLOAT, nullptr);
  }
  const bool complete = checkComplete();
  reducedGlowFramebuffer = createBoundFramebuffer();
  glFramebufferTexture(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, glowTexture, kGlowLevel);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  const bool reducedComplete = checkComplete();
  glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
  glGenSamplers(1, &glowSampler);
  glSamplerParameteri(glowSampler, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_NEAREST);
  glSamplerParameteri(glowSampler, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
  glSamplerParameteri(glowSampler, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
  glSamplerParameteri(glowSampler, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  return complete && reducedComplete;
}

BlurFBO::~BlurFBO() { release(); }

void BlurFBO::release() {
  glDeleteFramebuffers(1, &framebuffer);
  glDeleteTextures(1, &colorTexture);
  glDeleteRenderbuffers(1, &depthRenderbuffer);
  framebuffer = colorTexture = depthRenderbuffer = 0;
}

bool BlurFBO::init(int width, int height) {
  release();
  framebuffer = createBoundFramebuffer();
  depthRenderbuffer = createDepthTarget(width, height);
  colorTexture = createColorTarget(width, height, GL_COLOR_ATTACHMENT0);
  glDrawBuffer(GL_COLOR_ATTACHMENT0);
  return checkComplete();
}

void postProcess(const BloomFBO& bloom, const BlurFBO& a, const BlurFBO& b,
                 const PostShader& reduce, const PostShader& blur, const PostShader& composite,
                 scene::SceneObject& fullScreenMesh, int width, int height,
                 const RenderSettings& settings) {
  // Each full-screen pass covers its target once and needs no depth. With the test passing
  // always and depth writes off, the rasteriser does no depth work at all, and the clears leave
  // the depth planes that nothing reads alone. The test itself stays enabled.
  glDepthFunc(GL_ALWAYS);
  glDepthMask(GL_FALSE);
  glViewport(0, 0, width / 4, height / 4);
  reduceGlow(bloom, reduce, fullScreenMesh, settings);
  blurPass(a, bloom.glowTexture, bloom.glowSampler, blur, true, fullScreenMesh, settings);
  blurPass(b, a.colorTexture, 0, blur, false, fullScreenMesh, settings);

  glBindFramebuffer(GL_FRAMEBUFFER, 0);
  glViewport(0, 0, width, height);
  clearTarget();
  glActiveTexture(GL_TEXTURE0);
  glBindTexture(GL_TEXTURE_2D, bloom.sceneTexture);
  glActiveTexture(GL_TEXTURE1);
  glBindTexture(GL_TEXTURE_2D, b.colorTexture);
  composite.use();
  glUniform1i(composite.textureUnit1, 0);
  glUniform1i(composite.textureUnit2, 1);
  fullScreenMesh.draw(settings.bilinearFiltering, settings.mipmapMode);
  glDepthMask(GL_TRUE);
  glDepthFunc(GL_LESS);
}

}  // namespace vorn
