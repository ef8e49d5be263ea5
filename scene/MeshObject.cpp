#include "scene/MeshObject.h"

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <iterator>
#include <utility>

#include <GL/glew.h>

#include "base/Fatal.h"

namespace vorn {
namespace scene {

namespace {

// Vertex attribute locations the vertex shaders declare.
enum AttributeLocation : GLuint {
  kPositionLocation = 0,
  kTexCoordLocation = 1,
  kNormalLocation = 2,
  kTangentLocation = 3,
};

// Dynamic bodies weigh this much per unit of hull volume.
constexpr float kBodyDensity = 0.5f;

void drawElements(const SubMesh& sub) {
  glDrawElementsBaseVertex(GL_TRIANGLES, static_cast<GLsizei>(sub.numIndices), GL_UNSIGNED_INT,
                           reinterpret_cast<const void*>(sizeof(uint32_t) * sub.baseIndex),
                           static_cast<GLint>(sub.baseVertex));
}

void reportUnparsed(const std::string& path, const std::string& reason) {
  std::printf("Error parsing '%s': '%s'\n", path.c_str(), reason.c_str());
  std::fflush(stdout);
}

template <typename T>
void uploadStream(GLuint buffer, GLenum target, const std::vector<T>& stream) {
  glBindBuffer(target, buffer);
  glBufferData(target, static_cast<GLsizeiptr>(stream.size() * sizeof(T)), stream.data(),
               GL_STATIC_DRAW);
}

template <typename T>
void uploadAttribute(GLuint buffer, GLuint location, GLint components,
                     const std::vector<T>& stream) {
  uploadStream(buffer, GL_ARRAY_BUFFER, stream);
  glEnableVertexAttribArray(location);
  glVertexAttribPointer(location, components, GL_FLOAT, GL_FALSE, 0, nullptr);
}

std::vector<glm::vec3> scaled(const std::vector<glm::vec3>& positions, const glm::vec3& scale) {
  std::vector<glm::vec3> result;
  result.reserve(positions.size());
  for (const glm::vec3& p : positions) result.push_back(p * scale);
  return result;
}

// One mesh's block of the model's streams, as the cooking reads it.
MeshData meshData(const ModelData& model, std::size_t mesh,
                  const std::vector<glm::vec3>& positions) {
  const SubMesh& sub = model.subMeshes[mesh];
  MeshData data;
  data.vertexCount = model.vertexCount(mesh);
  data.points = data.vertexCount > 0 ? &positions[sub.baseVertex].x : nullptr;
  data.faceCount = sub.numIndices / 3;
  data.indices = data.faceCount > 0 ? &model.indices[sub.baseIndex] : nullptr;
  return data;
}

const char* cookFailureMessage(CookResult result, int32_t kind) {
  switch (result) {
    case CookResult::InvalidDescriptor:
      return "ERROR: MeshDESC not valid @";
    case CookResult::CookingFailed:
      return kind == kDynamicBody ? "ERROR: Could not cook ConvexMesh @"
                                  : "ERROR: Could not cook TriangleMesh @";
    default:
      return "create shape failed! @";
  }
}

}  // namespace

MeshObject::MeshObject(std::string name, std::string path, int32_t kind)
    : SceneObject(std::move(name), kind), path(std::move(path)) {}

MeshObject::~MeshObject() { releaseResources(); }

bool MeshObject::loadModel(AssetCache& assets, const PhysicsMaterial& material, Cooking*,
                           PhysicsScene* scene, float scaleX, float scaleY, float scaleZ) {
  releaseResources();
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(kBufferCount, buffers);

  const ModelData& model = assets.models.get(path);
  if (!model.parsed) {
    reportUnparsed(path, model.error);
    glBindVertexArray(0);
    return false;
  }
  initFromScene(model, assets, material, scene, glm::vec3(scaleX, scaleY, scaleZ));
  glBindVertexArray(0);
  return true;
}

void MeshObject::initFromScene(const ModelData& model, AssetCache& assets,
                               const PhysicsMaterial& material, PhysicsScene* scene,
                               const glm::vec3& scale) {
  if (kind == kDynamicBody && model.subMeshes.size() > 1) {
    std::cout << path << " contains more than 1 object (" << model.subMeshes.size() << ")"
              << std::endl;
  }
  // The file's positions serve as they are unless the load scales them.
  std::vector<glm::vec3> scaledPositions;
  if (scale != glm::vec3(1.0f)) scaledPositions = scaled(model.positions, scale);
  const std::vector<glm::vec3>& positions =
      scaledPositions.empty() ? model.positions : scaledPositions;

  for (uint32_t mesh = 0; mesh < model.subMeshes.size(); ++mesh)
    initMesh(model, mesh, positions, assets.shapes, material, scene, scale);
  takeRecords(model);
  initMaterials(model, assets.images);
  uploadStreams(model, positions);
}

// The import already gathered the vertices of every mesh into the model's streams; what is left
// per mesh is its body.
void MeshObject::initMesh(const ModelData& model, uint32_t mesh,
                          const std::vector<glm::vec3>& positions, ShapeCache& shapes,
                          const PhysicsMaterial& material, PhysicsScene* scene,
                          const glm::vec3& scale) {
  if (kind != kStaticBody && kind != kDynamicBody) return;
  const auto type =
      kind == kStaticBody ? ShapeCache::Type::TriangleMesh : ShapeCache::Type::ConvexHull;
  // Every object of a model at the file's size shares its shapes; a load at a scale of its own
  // (a thrown box) is the only one ever to use them, so they are this object's and go with it.
  const bool shared = scale == glm::vec3(1.0f);
  cookMeshActor(shapes, {path, mesh, type}, shared, meshData(model, mesh, positions), material,
                scene);
}

void MeshObject::cookMeshActor(ShapeCache& shapes, const ShapeCache::Key& key, bool shared,
                               const MeshData& mesh, const PhysicsMaterial& material,
                               PhysicsScene* scene) {
  CookedShape& shape = shared ? sharedShape(shapes, key, mesh) : ownShape(key.type, mesh);
  std::unique_ptr<Actor> actor = kind == kStaticBody
                                     ? Cooking::createStaticActor(material, shape)
                                     : Cooking::createDynamicActor(material, shape, kBodyDensity);
  actor->setName(name);
  actor->userData = this;
  actors.push_back(actor.get());
  scene->addActor(std::move(actor));
}

CookedShape& MeshObject::sharedShape(ShapeCache& shapes, const ShapeCache::Key& key,
                                     const MeshData& mesh) {
  CookedShape* shape = nullptr;
  const CookResult result = shapes.get(key, mesh, shape);
  if (result != CookResult::Ok) fatalStop(cookFailureMessage(result, kind) + path);
  return *shape;
}

CookedShape& MeshObject::ownShape(ShapeCache::Type type, const MeshData& mesh) {
  std::unique_ptr<CookedShape> shape;
  const CookResult result = ShapeCache::cook(type, mesh, shape);
  if (result != CookResult::Ok) fatalStop(cookFailureMessage(result, kind) + path);
  ownShapes.push_back(std::move(shape));
  return *ownShapes.back();
}

// Sub-meshes, the box around the file's vertices (a second load widens it) with its corners, and
// the lighting factors.
void MeshObject::takeRecords(const ModelData& model) {
  subMeshes = model.subMeshes;
  if (!model.boundsEmpty) {
    if (boundsEmpty) std::copy(std::begin(model.bounds), std::end(model.bounds), bounds);
    for (int a = 0; a < 3; ++a) {
      bounds[2 * a] = std::min(bounds[2 * a], model.bounds[2 * a]);
      bounds[2 * a + 1] = std::max(bounds[2 * a + 1], model.bounds[2 * a + 1]);
    }
    boundsEmpty = false;
  }
  const float minX = bounds[0], maxX = bounds[1], minY = bounds[2], maxY = bounds[3],
              minZ = bounds[4], maxZ = bounds[5];
  corners.clear();  // a second load replaces the corners of the first
  corners.emplace_back(minX, minY, minZ, 1.0f);
  corners.emplace_back(maxX, minY, minZ, 1.0f);
  corners.emplace_back(minX, maxY, minZ, 1.0f);
  corners.emplace_back(minX, minY, maxZ, 1.0f);
  corners.emplace_back(minX, maxY, maxZ, 1.0f);
  corners.emplace_back(maxX, minY, maxZ, 1.0f);
  corners.emplace_back(maxX, maxY, minZ, 1.0f);
  corners.emplace_back(maxX, maxY, maxZ, 1.0f);

  if (model.hasFactors) {
    ambient = model.ambient;
    diffuse = model.diffuse;
    specular = model.specular;
    shininess = model.shininess;
    // Without an opacity in the file the object keeps its own (opaque unless set before).
    if (model.opacity) opacity = *model.opacity;
  }
}

// Textures of this object's own, uploaded from the decoded images the cache keeps.
void MeshObject::initMaterials(const ModelData& model, ImageCache& images) {
  diffuseTextures.resize(model.materials.size());
  normalTextures.resize(model.materials.size());
  for (std::size_t m = 0; m < model.materials.size(); ++m) {
    const MaterialMaps& maps = model.materials[m];
    if (!maps.diffuse.empty())
      diffuseTextures[m] = std::make_unique<Texture>(images.get(maps.diffuse));
    normalTextures[m] = std::make_unique<Texture>(images.get(maps.normal));
  }
}

// Into the bound vertex array: four attribute streams and the indices.
void MeshObject::uploadStreams(const ModelData& model, const std::vector<glm::vec3>& positions) {
  uploadAttribute(buffers[kPositionBuffer], kPositionLocation, 3, positions);
  uploadAttribute(buffers[kTexCoordBuffer], kTexCoordLocation, 2, model.texCoords);
  uploadAttribute(buffers[kNormalBuffer], kNormalLocation, 3, model.normals);
  uploadAttribute(buffers[kTangentBuffer], kTangentLocation, 3, model.tangents);
  uploadStream(buffers[kIndexBuffer], GL_ELEMENT_ARRAY_BUFFER, model.indices);
}

void MeshObject::releaseResources() {
  for (Actor* actor : actors) {
    if (PhysicsScene* owner = actor->getScene()) owner->removeActor(actor);
  }
  actors.clear();
  ownShapes.clear();  // after the actors that were built over them
  // Without sub-meshes a released object draws nothing, so no draw reaches a released texture.
  subMeshes.clear();
  diffuseTextures.clear();
  normalTextures.clear();
  if (buffers[kIndexBuffer] != 0) {
    glDeleteBuffers(kBufferCount, buffers);
    std::fill(std::begin(buffers), std::end(buffers), 0u);
  }
  if (vao != 0) {
    glDeleteVertexArrays(1, &vao);
    vao = 0;
  }
}

void MeshObject::draw(bool linearFiltering, int mipmapMode) {
  glBindVertexArray(vao);
  for (const SubMesh& sub : subMeshes) {
    // A material without a diffuse map draws with whatever unit 0 holds from the previous draw.
    if (const Texture* diffuseMap = diffuseTextures[sub.materialIndex].get())
      diffuseMap->bind(GL_TEXTURE0, linearFiltering, mipmapMode);
    normalTextures[sub.materialIndex]->bind(GL_TEXTURE3, linearFiltering, mipmapMode);
    drawElements(sub);
  }
  glBindVertexArray(0);
}

void MeshObject::drawGeometry() {
  glBindVertexArray(vao);
  for (const SubMesh& sub : subMeshes) drawElements(sub);
  glBindVertexArray(0);
}

}  // namespace scene
}  // namespace vorn
