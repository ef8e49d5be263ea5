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

  bool init(int width, int height);

  GLuint framebuffer = 0;
  GLuint depthRenderbuffer = 0;
  GLuint sceneTexture = 0;
  GLuint glowTexture = 0;
};

// One quarter-size blur target.
class BlurFBO {
 public:
  BlurFBO() = default;
  ~BlurFBO();
  BlurFBO(const BlurFBO&) = delete;
  BlurFBO& operator=(const BlurFBO&) = delete;

  bool init(int width, int height);

  GLuint framebuffer = 0;
  GLuint depthRenderbuffer = 0;
  GLuint colorTexture = 0;
};

// Blurs the glow horizontally into a, vertically into b, and composites scene and glow into the
// default framebuffer.
void postProcess(const BloomFBO& bloom, const BlurFBO& a, const BlurFBO& b, const PostShader& blur,
                 const PostShader& composite, scene::SceneObject& fullScreenMesh, int width, int height,
                 const RenderSettings& settings);

}  // namespace vorn
