#pragma once

#include <array>
#include <vector>

#include <GL/glew.h>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace vorn {

class LightingShader;
class SceneRegistry;
class ShadowShader;
class ViewFrustum;
struct RenderSettings;

namespace scene {
class SceneObject;
}

// The point shadow map's far plane: no light reaches further (LightSetup.h).
constexpr float kShadowFar = 20.0f;
// Its near plane, which the lighting needs too to read the map's depths back as distances.
constexpr float kShadowNear = 0.1f;
// Objects further above or below the light than this cast no shadow.
constexpr float kShadowVerticalReach = 7.0f;

// A depth-only framebuffer: the 2D spot-light map or the point-light cube map, 512 x 512.
class ShadowMapFBO {
 public:
  ShadowMapFBO() = default;
  ~ShadowMapFBO();
  ShadowMapFBO(const ShadowMapFBO&) = delete;
  ShadowMapFBO& operator=(const ShadowMapFBO&) = delete;

  bool initSpot();
  bool initPoint();

  static constexpr int kSize = 512;
  GLuint framebuffer = 0;
  GLuint depthTexture = 0;

 private:
  void release();
};

// Renders the scene's depth from "point1" into the cube map in one pass (the geometry stage sends
// each triangle to the faces it can reach); leaves framebuffer 0 bound and the lighting program
// current.
// Without a "point1" the pass reports it and leaves everything as it was.
void shadowPass(ShadowMapFBO& pointMap, ShadowShader& pointShader, LightingShader& lighting,
                const SceneRegistry& registry, ViewFrustum& frustum,
                const RenderSettings& settings);

// A rectangle of texels on one cube face, the scissor's and the copy's unit; empty when it has
// no area, and then all zero.
struct FaceRect {
  int left = 0;
  int bottom = 0;
  int width = 0;
  int height = 0;

  bool empty() const { return width == 0 || height == 0; }
  bool overlaps(const FaceRect& other) const;
  void add(const FaceRect& other);
};
using FaceRects = std::array<FaceRect, 6>;  // in the GL cube face order

// The same pass drawn again only where it changed, into the same map every time. The depth of the
// static casters (bodies of kind 0, which never move once placed) is kept in a cube map of its own.
// A pass that finds loose casters moved, come or gone copies that map into the point map where
// they were and are, and draws over it there, with a scissor per face, the loose casters that
// reach it (in wire frame, whole faces); one that finds nothing changed draws nothing. When the
// light moves (upstairs it circles every frame), culling or the polygon mode changes, or a static
// caster comes or goes, the pass is drawn whole, and the static casters' map is drawn again the
// first time a loose caster moves after that. Depth testing keeps the nearest fragment whatever the
// order, and drawing a caster again where it already is changes nothing, so the map always ends up
// as the whole pass would leave it.
class PointShadowCache {
 public:
  // How the last pass brought the map up to date.
  enum class Work { kNothing, kLooseOverStatic, kStaticThenLoose, kWholePass };

  bool init();
  void pass(ShadowMapFBO& pointMap, ShadowShader& pointShader, LightingShader& lighting,
            const SceneRegistry& registry, ViewFrustum& frustum, const RenderSettings& settings);

  ShadowMapFBO staticMap;
  Work lastWork = Work::kNothing;
  // Where a pass that drew over the static casters' depth copied it and drew, and what it drew.
  FaceRects redrawn;
  std::vector<scene::SceneObject*> redrawnLoose;

 private:
  struct Caster {
    scene::SceneObject* object;
    glm::mat4 model;
    bool operator==(const Caster& other) const {
      return object == other.object && model == other.model;
    }
  };
  // What the map was last drawn for; the polygon mode decides whether it holds lines.
  struct View {
    glm::vec3 lightPos{0.0f};
    bool culling = false;
    bool wireframe = false;
    bool operator==(const View& other) const {
      return lightPos == other.lightPos && culling == other.culling && wireframe == other.wireframe;
    }
  };

  void sortCasters(const SceneRegistry& registry, ViewFrustum& frustum, bool culling);
  bool placeStaticCasters(ViewFrustum& frustum, bool culling);
  void markChanged(const std::vector<Caster>& casters, const std::vector<Caster>& others);
  FaceRects reach(const Caster& caster) const;
  void redrawLooseOverStatic(ShadowMapFBO& pointMap, const ShadowShader& shader);
  static void drawCasters(const ShadowShader& shader, const std::vector<Caster>& casters);

  bool drawn = false;
  bool staticMapCurrent = false;  // holds staticCasters' depth
  View view;
  std::array<glm::mat4, 6> faceMatrices;
  // Every static body of the object set, drawn or culled: a censor swap shows as a change here.
  std::vector<scene::SceneObject*> staticBodies;
  std::vector<scene::SceneObject*> lastStaticBodies;
  std::vector<Caster> staticCasters;  // what the static map holds
  std::vector<Caster> placedStatic;
  std::vector<Caster> looseCasters;
  std::vector<Caster> lastLooseCasters;
};

}  // namespace vorn
