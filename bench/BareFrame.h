#pragma once

#include <cstdint>
#include <vector>

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <glm/vec4.hpp>

#include "render/ShadowMap.h"
#include "scene/SceneObject.h"

namespace vorn {
class Game;
}

namespace bench {

// The limit of the game's frame: what its passes drew, recorded once as plain data and drawn by
// straight loops of GL calls with the same programs, meshes, textures, draw calls and uniform
// values, with nothing looked up, culled or computed on the way.
class BareFrame {
 public:
  // Records what the game's last frame drew; its camera and lights must not have moved since.
  explicit BareFrame(vorn::Game& game);

  // The whole frame as the game's settings have it, from the shadow pass to the buffer swap.
  void draw();
  uint64_t drawCalls() const;

 private:
  struct SubMesh {
    GLuint diffuse;  // what texture unit 0 holds for it
    GLuint normal;
    GLsizei indexCount;
    const void* indexOffset;
    GLint baseVertex;
  };
  struct Draw {
    GLuint vao;
    glm::mat4 model;
    vorn::scene::MaterialFactors material;
    float alpha;
    std::size_t firstSubMesh;
    std::size_t subMeshCount;
  };

  void record(std::vector<Draw>& draws, vorn::scene::SceneObject& object, const glm::mat4& model,
              float alpha);
  void shadowPass();
  void drawShadowCasters(const std::vector<Draw>& draws);
  void scenePass();
  void depthPrePass();
  void postProcess();
  void drawSubMeshes(const Draw& draw);

  vorn::Game& game;
  std::vector<SubMesh> subMeshes;
  // The shadow pass as the game's last one went: everything drawn into the point map, the loose
  // casters over a copy of the static ones' map (drawn first or kept) in rectangles of the faces,
  // or nothing at all.
  vorn::PointShadowCache::Work shadowWork;
  vorn::FaceRects redrawn;
  std::vector<Draw> staticShadowDraws;
  std::vector<Draw> looseShadowDraws;
  std::vector<Draw> sceneDraws;  // the opaque ones first
  std::size_t opaqueDraws = 0;
  Draw fullScreen{};
  glm::mat4 faceMatrices[6];
  glm::vec4 lightPosition{0.0f};
  glm::vec2 nearFar{0.0f};
  glm::mat4 viewProjection{1.0f};
  glm::vec3 cameraPosition{0.0f};
};

}  // namespace bench
