#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/Texture.h"
#include "physics/Physics.h"
#include "scene/AssetCache.h"
#include "scene/SceneObject.h"

namespace vorn {
namespace scene {

// A scene object that owns an imported model: GPU buffers, sub-meshes, textures and (through the
// import) its physics actors.
class MeshObject : public SceneObject {
 public:
  // The buffer names by what they hold. Two spare names are generated with the others and never
  // filled, so the tangents keep slot 6 as the layout of the streams fixes it.
  enum BufferSlot : uint32_t {
    kIndexBuffer,
    kPositionBuffer,
    kNormalBuffer,
    kTexCoordBuffer,
    kSpareBufferA,
    kSpareBufferB,
    kTangentBuffer,
    kBufferCount
  };

  MeshObject(std::string name, std::string path, int32_t kind);
  ~MeshObject() override;

  // Takes the model at path from the cache (reading it on its first request), uploads it into
  // buffers and textures of this object's own and adds one actor per mesh over the cache's shapes
  // to the scene. False, with the reason printed, when the file gives no model.
  bool loadModel(AssetCache& assets, const PhysicsMaterial& material, Cooking* cooking,
                 PhysicsScene* scene, float scaleX, float scaleY, float scaleZ);
  void releaseResources();
  void draw(bool linearFiltering, int mipmapMode) override;
  void drawGeometry() override;

  std::string path;
  std::vector<SubMesh> subMeshes;
  std::vector<std::unique_ptr<Texture>> diffuseTextures;
  std::vector<std::unique_ptr<Texture>> normalTextures;
  uint32_t vao = 0;                     // GL vertex array name
  uint32_t buffers[kBufferCount] = {};  // GL buffer names
  // Shapes cooked for this object alone (a load at a scale of its own), borrowed by its actors.
  std::vector<std::unique_ptr<CookedShape>> ownShapes;

 protected:
  // The import's steps, in call order: initFromScene runs initMesh once per mesh (each ending with
  // cookMeshActor), then initMaterials.
  void initFromScene(const ModelData& model, AssetCache& assets, const PhysicsMaterial& material,
                     PhysicsScene* scene, const glm::vec3& scale);
  void initMesh(const ModelData& model, uint32_t mesh, const std::vector<glm::vec3>& positions,
                ShapeCache& shapes, const PhysicsMaterial& material, PhysicsScene* scene,
                const glm::vec3& scale);
  void cookMeshActor(ShapeCache& shapes, const ShapeCache::Key& key, bool shared,
                     const MeshData& mesh, const PhysicsMaterial& material, PhysicsScene* scene);
  void takeRecords(const ModelData& model);
  void initMaterials(const ModelData& model, ImageCache& images);
  void uploadStreams(const ModelData& model, const std::vector<glm::vec3>& positions);
  CookedShape& sharedShape(ShapeCache& shapes, const ShapeCache::Key& key, const MeshData& mesh);
  CookedShape& ownShape(ShapeCache::Type type, const MeshData& mesh);
};

}  // namespace scene
}  // namespace vorn
