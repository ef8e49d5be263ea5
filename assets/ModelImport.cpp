// Model import of MeshObject: Assimp scene to GPU streams, sub-meshes, textures, material
// factors, bounds and one collision actor per mesh.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <iostream>
#include <string>
#include <utility>
#include <vector>

#include <GL/glew.h>
#include <assimp/DefaultIOSystem.h>
#include <assimp/Importer.hpp>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "base/Fatal.h"
#include "scene/MeshObject.h"

namespace vorn {
namespace scene {

// CPU copies of the vertex streams; they live only while one model is imported.
struct MeshObject::Streams {
  std::vector<glm::vec3> positions;
  std::vector<glm::vec3> normals;
  std::vector<glm::vec3> tangents;
  std::vector<glm::vec2> texCoords;
  std::vector<uint32_t> indices;
};

namespace {

constexpr unsigned kImportFlags = aiProcess_CalcTangentSpace | aiProcess_Triangulate |
                                  aiProcess_GenSmoothNormals | aiProcess_FindDegenerates;

// Assimp's OBJ importer always puts its own "DefaultMaterial" at index 0, so the first material
// of the .mtl file is index 1. That one carries the object's lighting factors and opacity.
constexpr unsigned kFactorMaterial = 1;

const std::string kDefaultNormalMap = "Textures/normal.jpg";

std::string modelDirectory(const std::string& path) {
  const std::size_t slash = path.rfind('/');
  if (slash == std::string::npos) return ".";
  if (slash == 0) return "/";
  return path.substr(0, slash);
}

// The path of the first texture of the type, or empty when the material has none.
std::string firstTexture(const aiMaterial* material, aiTextureType type) {
  aiString name;
  if (aiGetMaterialTextureCount(material, type) == 0 ||
      aiGetMaterialTexture(material, type, 0, &name) != AI_SUCCESS)
    return std::string();
  return name.C_Str();
}

// The files of one import: regular files only, since a directory named like a model reads as an
// empty scene and a pipe (as model or material library) would block the game for ever. Material
// libraries are handed over from their first "newmtl" on: this Assimp release dereferences a
// missing material, and crashes, for a texture statement that stands before any material, and
// whatever stands there belongs to no material anyway.
class ModelFileSystem : public Assimp::DefaultIOSystem {
 public:
  explicit ModelFileSystem(std::string modelPath) : modelPath(std::move(modelPath)) {}

  bool Exists(const char* file) const override { return isRegularFile(file); }

  Assimp::IOStream* Open(const char* file, const char* mode) override {
    if (!isRegularFile(file)) return nullptr;
    if (file == modelPath) return DefaultIOSystem::Open(file, mode);
    return openFromFirstMaterial(file);
  }

 private:
  static bool isRegularFile(const char* file) {
    std::error_code error;
    return std::filesystem::is_regular_file(file, error);
  }

  static Assimp::IOStream* openFromFirstMaterial(const char* file) {
    std::ifstream in(file, std::ios::binary);
    if (!in) return nullptr;
    const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    const std::size_t start = firstMaterialLine(text);
    const std::size_t length = text.size() - start;
    auto* bytes = new uint8_t[length];
    std::copy(text.begin() + static_cast<std::ptrdiff_t>(start), text.end(), bytes);
    return new Assimp::MemoryIOStream(bytes, length, true);  // the stream owns the bytes
  }

  // The offset of the first line that begins with "newmtl", or the end of the text. Lines end
  // where the importer ends them; it skips a line that begins with a blank.
  static std::size_t firstMaterialLine(const std::string& text) {
    static const std::string kLineEnds("\r\n\f\0", 4);
    for (std::size_t line = 0; line < text.size();) {
      if (text.compare(line, 6, "newmtl") == 0) return line;
      const std::size_t end = text.find_first_of(kLineEnds, line);
      if (end == std::string::npos) break;
      line = end + 1;
    }
    return text.size();
  }

  std::string modelPath;
};

void reportUnparsed(const std::string& path, const char* reason) {
  std::printf("Error parsing '%s': '%s'\n", path.c_str(), reason);
  std::fflush(stdout);
}

}  // namespace

std::string modelTexturePath(const std::string& modelPath, const std::string& textureName) {
  const bool windowsRelative = textureName.compare(0, 2, ".\\") == 0;
  return modelDirectory(modelPath) + "/" + (windowsRelative ? textureName.substr(2) : textureName);
}

namespace {

// A damaged material library can hold nan or inf; lit with such a factor an object turns black and
// the bloom blur smears it over its neighbours.
float finiteOr(float value, float fallback) { return std::isfinite(value) ? value : fallback; }

float redChannel(const aiMaterial* material, const char* key, unsigned type, unsigned index) {
  aiColor4D colour(0.0f, 0.0f, 0.0f, 0.0f);
  aiGetMaterialColor(material, key, type, index, &colour);
  return finiteOr(colour.r, 0.0f);
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

const char* cookFailureMessage(CookResult result, int32_t kind) {
  switch (result) {
    case CookResult::InvalidDescriptor:
      return "ERROR: MeshDESC not valid @";
    case CookResult::CookingFailed:
      return kind == 1 ? "ERROR: Could not cook ConvexMesh @" : "ERROR: Could not cook TriangleMesh @";
    default:
      return "create shape failed! @";
  }
}

}  // namespace

bool MeshObject::loadModel(const PhysicsMaterial& material, Cooking* cooking, PhysicsScene* scene,
                           float scaleX, float scaleY, float scaleZ) {
  releaseResources();
  glGenVertexArrays(1, &vao);
  glBindVertexArray(vao);
  glGenBuffers(7, buffers);

  Assimp::Importer importer;
  importer.SetIOHandler(new ModelFileSystem(path));  // the importer owns it
  const aiScene* imported = importer.ReadFile(path, kImportFlags);
  bool loaded = false;
  if (imported == nullptr) {
    reportUnparsed(path, importer.GetErrorString());
  } else if (imported->mNumMeshes == 0) {
    // Random bytes or a text without faces import as an empty scene: no model either.
    reportUnparsed(path, "the file holds no meshes");
  } else {
    const float scale[3] = {scaleX, scaleY, scaleZ};
    loaded = initFromScene(imported, material, cooking, scene, scale);
  }
  glBindVertexArray(0);
  return loaded;
}

bool MeshObject::initFromScene(const aiScene* imported, const PhysicsMaterial& material,
                               Cooking* cooking, PhysicsScene* scene, const float scale[3]) {
  subMeshes.resize(imported->mNumMeshes);
  diffuseTextures.resize(imported->mNumMaterials);
  normalTextures.resize(imported->mNumMaterials);

  uint32_t vertexTotal = 0;
  uint32_t indexTotal = 0;
  for (unsigned i = 0; i < imported->mNumMeshes; ++i) {
    const aiMesh* mesh = imported->mMeshes[i];
    SubMesh& sub = subMeshes[i];
    sub.materialIndex = mesh->mMaterialIndex;
    sub.numIndices = 3 * mesh->mNumFaces;
    sub.baseVertex = vertexTotal;
    sub.baseIndex = indexTotal;
    vertexTotal += mesh->mNumVertices;
    indexTotal += sub.numIndices;
  }

  // Exact reservations keep every stream in one allocation, and keep the addresses handed to
  // the collision cooking valid while later meshes are appended.
  Streams streams;
  streams.positions.reserve(vertexTotal);
  streams.normals.reserve(vertexTotal);
  streams.tangents.reserve(vertexTotal);
  streams.texCoords.reserve(vertexTotal);
  streams.indices.reserve(indexTotal);

  if (kind == 1 && imported->mNumMeshes > 1) {
    std::cout << path << " contains more than 1 object (" << imported->mNumMeshes << ")"
              << std::endl;
  }

  for (unsigned i = 0; i < imported->mNumMeshes; ++i)
    initMesh(imported->mMeshes[i], streams, material, cooking, scene, scale);

  const float minX = bounds[0], maxX = bounds[1], minY = bounds[2], maxY = bounds[3],
              minZ = bounds[4], maxZ = bounds[5];
  if (corners.capacity() < 8) corners.reserve(8);
  corners.emplace_back(minX, minY, minZ, 1.0f);
  corners.emplace_back(maxX, minY, minZ, 1.0f);
  corners.emplace_back(minX, maxY, minZ, 1.0f);
  corners.emplace_back(minX, minY, maxZ, 1.0f);
  corners.emplace_back(minX, maxY, maxZ, 1.0f);
  corners.emplace_back(maxX, minY, maxZ, 1.0f);
  corners.emplace_back(maxX, maxY, minZ, 1.0f);
  corners.emplace_back(maxX, maxY, maxZ, 1.0f);

  initMaterials(imported);

  uploadAttribute(buffers[1], 0, 3, streams.positions);
  uploadAttribute(buffers[3], 1, 2, streams.texCoords);
  uploadAttribute(buffers[2], 2, 3, streams.normals);
  uploadAttribute(buffers[6], 3, 3, streams.tangents);
  uploadStream(buffers[0], GL_ELEMENT_ARRAY_BUFFER, streams.indices);
  return true;
}

void MeshObject::initMesh(const aiMesh* mesh, Streams& streams, const PhysicsMaterial& material,
                          Cooking* cooking, PhysicsScene* scene, const float scale[3]) {
  const bool hasTexCoords = mesh->HasTextureCoords(0) && mesh->mNumVertices > 0;
  const bool hasTangents = mesh->HasTangentsAndBitangents();
  // The importer generates normals for faces only; a mesh of points or lines comes without them.
  const bool hasNormals = mesh->HasNormals();
  const std::size_t firstVertex = streams.positions.size();
  const std::size_t firstIndex = streams.indices.size();

  for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
    const aiVector3D& p = mesh->mVertices[i];
    if (boundsEmpty) {
      bounds[0] = bounds[1] = p.x;
      bounds[2] = bounds[3] = p.y;
      bounds[4] = bounds[5] = p.z;
      boundsEmpty = false;
    }
    const float axis[3] = {p.x, p.y, p.z};
    for (int a = 0; a < 3; ++a) {
      if (axis[a] < bounds[2 * a]) bounds[2 * a] = axis[a];
      if (axis[a] > bounds[2 * a + 1]) bounds[2 * a + 1] = axis[a];
    }

    streams.positions.emplace_back(p.x * scale[0], p.y * scale[1], p.z * scale[2]);
    if (hasNormals)
      streams.normals.emplace_back(mesh->mNormals[i].x, mesh->mNormals[i].y, mesh->mNormals[i].z);
    else
      streams.normals.emplace_back(0.0f, 0.0f, 0.0f);
    if (hasTexCoords)
      streams.texCoords.emplace_back(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y);
    else
      streams.texCoords.emplace_back(0.0f, 0.0f);
    if (hasTangents)
      streams.tangents.emplace_back(mesh->mTangents[i].x, mesh->mTangents[i].y,
                                    mesh->mTangents[i].z);
    else
      streams.tangents.emplace_back(1.0f, 1.0f, 1.0f);
  }

  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const aiFace& face = mesh->mFaces[f];
    // Degenerate triangles come back from Assimp as lines or points; repeating their last index
    // keeps three indices per face (an invisible triangle) instead of reading past the face.
    for (unsigned corner = 0; corner < 3; ++corner) {
      const unsigned last = face.mNumIndices > 0 ? face.mNumIndices - 1 : 0;
      streams.indices.push_back(face.mNumIndices > 0 ? face.mIndices[std::min(corner, last)] : 0u);
    }
  }

  MeshData data;
  data.points = mesh->mNumVertices > 0 ? &streams.positions[firstVertex].x : nullptr;
  data.vertexCount = mesh->mNumVertices;
  data.indices = mesh->mNumFaces > 0 ? &streams.indices[firstIndex] : nullptr;
  data.faceCount = mesh->mNumFaces;
  cookMeshActor(data, material, cooking, scene);
}

void MeshObject::initMaterials(const aiScene* imported) {
  for (unsigned m = 0; m < imported->mNumMaterials; ++m) {
    const aiMaterial* material = imported->mMaterials[m];
    if (m == kFactorMaterial) {
      ambient = redChannel(material, AI_MATKEY_COLOR_AMBIENT);
      diffuse = redChannel(material, AI_MATKEY_COLOR_DIFFUSE);
      specular = redChannel(material, AI_MATKEY_COLOR_SPECULAR);
      float fileShininess = 0.0f;
      unsigned count = 1;
      aiGetMaterialFloatArray(material, AI_MATKEY_SHININESS, &fileShininess, &count);
      shininess = std::max(0.25f * finiteOr(fileShininess, 0.0f), 1.0f);
      // A material without an opacity key keeps the current value (opaque unless set before); an
      // opacity outside 0..1 would blend with negative weights.
      float fileOpacity = opacity;
      count = 1;
      aiGetMaterialFloatArray(material, AI_MATKEY_OPACITY, &fileOpacity, &count);
      opacity = std::clamp(finiteOr(fileOpacity, opacity), 0.0f, 1.0f);
    }

    const std::string diffuseName = firstTexture(material, aiTextureType_DIFFUSE);
    if (!diffuseName.empty())
      diffuseTextures[m] = std::make_unique<Texture>(modelTexturePath(path, diffuseName));

    // The OBJ importer files bump maps under the height type.
    std::string normalName = firstTexture(material, aiTextureType_HEIGHT);
    if (normalName.empty()) normalName = kDefaultNormalMap;
    normalTextures[m] = std::make_unique<Texture>(modelTexturePath(path, normalName));
  }
}

// The cooking functions are static: they need no cooking instance.
void MeshObject::cookMeshActor(const MeshData& mesh, const PhysicsMaterial& material, Cooking*,
                               PhysicsScene* scene) {
  if (kind != 0 && kind != 1) return;
  std::unique_ptr<Actor> actor;
  const CookResult result = kind == 0
                                ? Cooking::createStaticMeshActor(material, mesh, actor)
                                : Cooking::createConvexActor(material, mesh, 0.5f, actor);
  if (result != CookResult::Ok || !actor) fatalStop(cookFailureMessage(result, kind) + path);
  if (kind == 1) actor->setSleepThreshold(0.75f);
  actor->setName(name);
  actor->userData = this;
  Actor* placed = actor.get();
  scene->addActor(std::move(actor));
  actors.push_back(placed);
}

void MeshObject::releaseResources() {
  for (Actor* actor : actors) {
    if (PhysicsScene* owner = actor->getScene()) owner->removeActor(actor);
  }
  actors.clear();
  // Without sub-meshes a released object draws nothing, so no draw reaches a released texture.
  subMeshes.clear();
  diffuseTextures.clear();
  normalTextures.clear();
  if (buffers[0] != 0) {
    glDeleteBuffers(7, buffers);
    std::fill(std::begin(buffers), std::end(buffers), 0u);
  }
  if (vao != 0) {
    glDeleteVertexArrays(1, &vao);
    vao = 0;
  }
}

}  // namespace scene
}  // namespace vorn
