#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "assets/Texture.h"
#include "physics/Physics.h"
#include "scene/SceneObject.h"

struct aiMesh;
struct aiScene;

namespace vorn {
namespace scene {

struct SubMesh {
  uint32_t numIndices = 0;
  uint32_t baseVertex = 0;
  uint32_t baseIndex = 0;
  uint32_t materialIndex = 0;
};

// The file a model's material names: relative to the model's directory, with a leading ".\"
// (written by Windows tools) dropped.
std::string modelTexturePath(const std::string& modelPath, const std::string& textureName);

// A scene object that owns an imported model: GPU buffers, sub-meshes, textures and (through the
// import) its physics actors.
class MeshObject : public SceneObject {
 public:
  MeshObject(std::string name, std::string path, int32_t kind);
  ~MeshObject() override;

  bool loadModel(const PhysicsMaterial& material, Cooking* cooking, PhysicsScene* scene,
                 float scaleX, float scaleY, float scaleZ);
  void releaseResources();
  void draw(bool linearFiltering, int mipmapMode) override;
  void drawGeometry() override;

  std::string path;
  std::vector<SubMesh> subMeshes;
  std::vector<std::unique_ptr<Texture>> diffuseTextures;
  std::vector<std::unique_ptr<Texture>> normalTextures;
  uint32_t vao = 0;                            // GL vertex array name
  uint32_t buffers[7] = {0, 0, 0, 0, 0, 0, 0};  // GL buffer names

 protected:
  struct Streams;
  bool initFromScene(const aiScene* imported, const PhysicsMaterial& material, Cooking* cooking,
                     PhysicsScene* scene, const float scale[3]);
  void initMesh(const aiMesh* mesh, Streams& streams, const PhysicsMaterial& material,
                Cooking* cooking, PhysicsScene* scene, const float scale[3]);
  void initMaterials(const aiScene* imported);
  void cookMeshActor(const MeshData& mesh, const PhysicsMaterial& material, Cooking* cooking,
                     PhysicsScene* scene);
};

}  // namespace scene
}  // namespace vorn
