#pragma once

#include <GL/glew.h>

namespace vorn {

class PostShader;
struct RenderSettings;

namespace scene {
class SceneObject;
}

// The off-screen scene target: scene colour and glow colour, with depth.
class BloomFBO {
 public:
  BloomFBO() = default;
  ~BloomFBO();
  BloomFBO(const BloomFBO&) = delete;
  BloomFBO& operator=(const BloomFBO&) = delete;

  // Window size; leaves the framebuffer bound. False, after a report, when it is incomplete.
  bool init(int width, int height);

  GLuint framebuffer = 0;
  GLuint depthRenderbuffer = 0;
  GLuint sceneTexture = 0;
  GLuint glowTexture = 0;
  // Draws into the glow's level 2, which post-processing fills each frame with the mean of every
  // 4 x 4 texels, what one quarter-size blur pixel stands for.
  GLuint reducedGlowFramebuffer = 0;
  // Reads the glow from that level, picked by the first blur pass's own footprint.
  GLuint glowSampler = 0;

 private:
  void release();
};

// One blur target; the world makes two, each a quarter of the window in each direction
// (window width / 4 x window height / 4, truncated).
class BlurFBO {
 public:
  BlurFBO() = default;
  ~BlurFBO();
  BlurFBO(const BlurFBO&) = delete;
  BlurFBO& operator=(const BlurFBO&) = delete;

  // Takes the target's own size; leaves the framebuffer bound. False, after a report, when it is
  // incomplete.
  bool init(int width, int height);

  GLuint framebuffer = 0;
  GLuint depthRenderbuffer = 0;
  GLuint colorTexture = 0;

 private:
  void release();
};

// Brings the glow down to the blur's size with reduce, blurs it horizontally into a, vertically
// into b, and composites scene and glow into the default framebuffer. Expects framebuffer 0 bound
// and the depth state of the scene pass (GL_LESS, writes on), which it leaves as it found it;
// leaves texture unit 1 active.
void postProcess(const BloomFBO& bloom, const BlurFBO& a, const BlurFBO& b,
                 const PostShader& reduce, const PostShader& blur, const PostShader& composite,
                 scene::SceneObject& fullScreenMesh, int width, int height,
                 const RenderSettings& settings);

}  // namespace vorn
