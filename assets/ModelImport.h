#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/FileCache.h"

namespace vorn {

// One mesh of a model, drawn with a base vertex: its indices stay mesh-local.
struct SubMesh {
  uint32_t numIndices = 0;
  uint32_t baseVertex = 0;
  uint32_t baseIndex = 0;
  uint32_t materialIndex = 0;
};

// The image files of one material; diffuse is empty when the material has none.
struct MaterialMaps {
  std::string diffuse;
  std::string normal;
};

// Everything a model file holds, read into memory once: the vertex streams of all meshes one after
// another (positions at file size), the sub-meshes, each material's maps, the factors of the
// material that lights the object, and the box around all vertices.
struct ModelData {
  bool parsed = false;
  std::string error;  // the reason when the file gave no model

  std::vector<SubMesh> subMeshes;
  std::vector<glm::vec3> positions;
  std::vector<glm::vec3> normals;
  std::vector<glm::vec2> texCoords;
  std::vector<glm::vec3> tangents;
  std::vector<uint32_t> indices;

  std::vector<MaterialMaps> materials;
  bool hasFactors = false;  // the file has the material that carries them
  float ambient = 0.0f;
  float diffuse = 0.0f;
  float specular = 0.0f;
  float shininess = 0.0f;
  std::optional<float> opacity;  // absent when that material names none

  float bounds[6] = {0, 0, 0, 0, 0, 0};  // minX, maxX, minY, maxY, minZ, maxZ
  bool boundsEmpty = true;

  uint32_t vertexCount(std::size_t mesh) const;
};

// Reads the model file with Assimp. Never fails: a file that gives no model comes back with its
// error set.
ModelData parseModel(const std::string& path);

// The file a model's material names: relative to the model's directory, with a leading ".\"
// (written by Windows tools) dropped.
std::string modelTexturePath(const std::string& modelPath, const std::string& textureName);

// Each model file parsed once, a failed parse included.
using ModelCache = FileCache<ModelData, parseModel>;

}  // namespace vorn
