// Model import: an OBJ file and its material library, read with Assimp into a ModelData.
#include "assets/ModelImport.h"

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include <assimp/DefaultIOSystem.h>
#include <assimp/MemoryIOWrapper.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <assimp/Importer.hpp>

namespace vorn {

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

void includeInBounds(const aiVector3D& p, ModelData& model) {
  if (model.boundsEmpty) {
    model.bounds[0] = model.bounds[1] = p.x;
    model.bounds[2] = model.bounds[3] = p.y;
    model.bounds[4] = model.bounds[5] = p.z;
    model.boundsEmpty = false;
  }
  const float axis[3] = {p.x, p.y, p.z};
  for (int a = 0; a < 3; ++a) {
    if (axis[a] < model.bounds[2 * a]) model.bounds[2 * a] = axis[a];
    if (axis[a] > model.bounds[2 * a + 1]) model.bounds[2 * a + 1] = axis[a];
  }
}

void appendMesh(const aiMesh* mesh, ModelData& model) {
  const bool hasTexCoords = mesh->HasTextureCoords(0) && mesh->mNumVertices > 0;
  const bool hasTangents = mesh->HasTangentsAndBitangents();
  // The importer generates normals for faces only; a mesh of points or lines comes without them.
  const bool hasNormals = mesh->HasNormals();
  for (unsigned i = 0; i < mesh->mNumVertices; ++i) {
    const aiVector3D& p = mesh->mVertices[i];
    includeInBounds(p, model);
    model.positions.emplace_back(p.x, p.y, p.z);
    if (hasNormals)
      model.normals.emplace_back(mesh->mNormals[i].x, mesh->mNormals[i].y, mesh->mNormals[i].z);
    else model.normals.emplace_back(0.0f, 0.0f, 0.0f);
    if (hasTexCoords)
      model.texCoords.emplace_back(mesh->mTextureCoords[0][i].x, mesh->mTextureCoords[0][i].y);
    else model.texCoords.emplace_back(0.0f, 0.0f);
    if (hasTangents)
      model.tangents.emplace_back(mesh->mTangents[i].x, mesh->mTangents[i].y, mesh->mTangents[i].z);
    else model.tangents.emplace_back(1.0f, 1.0f, 1.0f);
  }

  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const aiFace& face = mesh->mFaces[f];
    // Degenerate triangles come back from Assimp as lines or points; repeating their last index
    // keeps three indices per face (an invisible triangle) instead of reading past the face.
    for (unsigned corner = 0; corner < 3; ++corner) {
      const unsigned last = face.mNumIndices > 0 ? face.mNumIndices - 1 : 0;
      model.indices.push_back(face.mNumIndices > 0 ? face.mIndices[std::min(corner, last)] : 0u);
    }
  }
}

void readFactors(const aiMaterial* material, ModelData& model) {
  model.hasFactors = true;
  model.ambient = redChannel(material, AI_MATKEY_COLOR_AMBIENT);
  model.diffuse = redChannel(material, AI_MATKEY_COLOR_DIFFUSE);
  model.specular = redChannel(material, AI_MATKEY_COLOR_SPECULAR);
  float fileShininess = 0.0f;
  unsigned count = 1;
  aiGetMaterialFloatArray(material, AI_MATKEY_SHININESS, &fileShininess, &count);
  model.shininess = std::max(0.25f * finiteOr(fileShininess, 0.0f), 1.0f);
  // An opacity outside 0..1 would blend with negative weights.
  float fileOpacity = 0.0f;
  count = 1;
  if (aiGetMaterialFloatArray(material, AI_MATKEY_OPACITY, &fileOpacity, &count) == AI_SUCCESS &&
      std::isfinite(fileOpacity))
    model.opacity = std::clamp(fileOpacity, 0.0f, 1.0f);
}

void readMaterials(const aiScene* imported, const std::string& path, ModelData& model) {
  model.materials.resize(imported->mNumMaterials);
  for (unsigned m = 0; m < imported->mNumMaterials; ++m) {
    const aiMaterial* material = imported->mMaterials[m];
    if (m == kFactorMaterial) readFactors(material, model);
    const std::string diffuseName = firstTexture(material, aiTextureType_DIFFUSE);
    if (!diffuseName.empty()) model.materials[m].diffuse = modelTexturePath(path, diffuseName);
    // The OBJ importer files bump maps under the height type.
    std::string normalName = firstTexture(material, aiTextureType_HEIGHT);
    if (normalName.empty()) normalName = kDefaultNormalMap;
    model.materials[m].normal = modelTexturePath(path, normalName);
  }
}

void readScene(const aiScene* imported, const std::string& path, ModelData& model) {
  model.subMeshes.resize(imported->mNumMeshes);
  uint32_t vertexTotal = 0;
  uint32_t indexTotal = 0;
  for (unsigned i = 0; i < imported->mNumMeshes; ++i) {
    const aiMesh* mesh = imported->mMeshes[i];
    SubMesh& sub = model.subMeshes[i];
    sub.materialIndex = mesh->mMaterialIndex;
    sub.numIndices = 3 * mesh->mNumFaces;
    sub.baseVertex = vertexTotal;
    sub.baseIndex = indexTotal;
    vertexTotal += mesh->mNumVertices;
    indexTotal += sub.numIndices;
  }
  model.positions.reserve(vertexTotal);
  model.normals.reserve(vertexTotal);
  model.texCoords.reserve(vertexTotal);
  model.tangents.reserve(vertexTotal);
  model.indices.reserve(indexTotal);
  for (unsigned i = 0; i < imported->mNumMeshes; ++i) appendMesh(imported->mMeshes[i], model);
  readMaterials(imported, path, model);
}

}  // namespace

uint32_t ModelData::vertexCount(std::size_t mesh) const {
  const std::size_t end =
      mesh + 1 < subMeshes.size() ? subMeshes[mesh + 1].baseVertex : positions.size();
  return static_cast<uint32_t>(end - subMeshes[mesh].baseVertex);
}

ModelData parseModel(const std::string& path) {
  ModelData model;
  Assimp::Importer importer;
  importer.SetIOHandler(new ModelFileSystem(path));  // the importer owns it
  const aiScene* imported = importer.ReadFile(path, kImportFlags);
  if (imported == nullptr) {
    model.error = importer.GetErrorString();
  } else if (imported->mNumMeshes == 0) {
    // Random bytes or a text without faces import as an empty scene: no model either.
    model.error = "the file holds no meshes";
  } else {
    readScene(imported, path, model);
    model.parsed = true;
  }
  return model;
}

}  // namespace vorn
