// Checks the generator and the files it writes for the game: repeated runs give the same bytes, and
// every model the game loads (each level row, each censored variant, the arm, the thrown box, the
// player and the screen cube) imports the way the game imports it, with materials and images the
// renderer can use. Runs in the run directory, where the build has generated Resources/.

#include <FreeImage.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <assimp/Importer.hpp>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>

#include <array>
#include <cmath>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

#include "scene/BuildingPlan.h"
#include "scene/LevelLayout.h"
#include "support/Command.h"
#include "support/ScratchDirectory.h"

namespace fs = std::filesystem;

namespace {

// The flags the game's importer uses.
constexpr unsigned kImportFlags =
    aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_FindDegenerates;

// Every model file the game loads, and whether it becomes a dynamic body. A censored variant
// always does.
std::map<std::string, bool> modelsTheGameLoads() {
  std::map<std::string, bool> files = {{"Resources/cube.obj", false},
                                       {"Resources/Human/basic_male.obj", false},
                                       {"Resources/Censorable/box.obj", true},
                                       {vorn::scene::kArmModelFile, false}};
  for (const vorn::scene::LevelEntry& e : vorn::scene::levelLayout()) {
    const std::string file = e.modelFile;
    files[file] = files[file] || e.kind == 1;
    if (vorn::scene::isCensorable(e.name)) {
      const std::string censored = file.substr(0, file.size() - 4) + "_censored.obj";
      files[censored] = true;
    }
  }
  return files;
}

glm::vec3 vec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

// Width and blue value at the centre of an image, or a width of 0 when it does not load.
struct ImageInfo {
  unsigned width = 0;
  int centreBlue = 0;
};

ImageInfo loadImage(const std::string& path) {
  ImageInfo info;
  FIBITMAP* bitmap = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
  if (!bitmap) return info;
  info.width = FreeImage_GetWidth(bitmap);
  RGBQUAD pixel{};
  FreeImage_GetPixelColor(bitmap, info.width / 2, FreeImage_GetHeight(bitmap) / 2, &pixel);
  info.centreBlue = pixel.rgbBlue;
  FreeImage_Unload(bitmap);
  return info;
}

std::string texture(const aiMaterial* m, aiTextureType type) {
  aiString path;
  if (aiGetMaterialTextureCount(m, type) == 0 || aiGetMaterialTexture(m, type, 0, &path) != AI_SUCCESS) return "";
  return path.C_Str();
}

void expectTrianglesWoundWithTheirNormals(const aiMesh* mesh) {
  size_t wrong = 0;
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const unsigned* i = mesh->mFaces[f].mIndices;
    const glm::vec3 a = vec(mesh->mVertices[i[0]]), b = vec(mesh->mVertices[i[1]]), c = vec(mesh->mVertices[i[2]]);
    const glm::vec3 normals = vec(mesh->mNormals[i[0]]) + vec(mesh->mNormals[i[1]]) + vec(mesh->mNormals[i[2]]);
    // Back-face culling keeps the side the normals light.
    if (glm::dot(glm::cross(b - a, c - a), normals) <= 0.0f) ++wrong;
  }
  EXPECT_EQ(wrong, 0u) << "of " << mesh->mNumFaces << " triangles";
}

// The images a material names load; its normal map (its own or the directory's default) points
// out of the surface.
void expectImagesLoad(const aiMaterial* m, const std::string& directory) {
  const std::string diffuse = texture(m, aiTextureType_DIFFUSE);
  // Without a diffuse map a sub-mesh would draw with whatever texture was bound before it.
  ASSERT_FALSE(diffuse.empty());
  EXPECT_GE(loadImage(directory + diffuse).width, 64u) << diffuse;
  std::string normal = texture(m, aiTextureType_HEIGHT);
  if (normal.empty()) normal = "Textures/normal.jpg";
  const ImageInfo normalMap = loadImage(directory + normal);
  EXPECT_GT(normalMap.width, 0u) << normal;
  EXPECT_GT(normalMap.centreBlue, 128) << normal;
}

// One model file as the game needs it: parsed into triangles with tangents, lit by a material of
// its own, wound the way its normals face, with images that load.
void expectReadyToDrawAndCook(const std::string& file, bool dynamic) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file, kImportFlags);
  ASSERT_NE(scene, nullptr) << importer.GetErrorString();
  ASSERT_GE(scene->mNumMeshes, 1u);
  // A dynamic body is one convex hull per mesh.
  if (dynamic) {
    EXPECT_EQ(scene->mNumMeshes, 1u);
  }
  // The importer's own default material comes first; the game lights an object with the next.
  ASSERT_GE(scene->mNumMaterials, 2u);
  const aiMaterial* lit = scene->mMaterials[1];
  aiColor4D diffuse(0, 0, 0, 0);
  aiGetMaterialColor(lit, AI_MATKEY_COLOR_DIFFUSE, &diffuse);
  EXPECT_GE(diffuse.r, 0.3f);
  EXPECT_LE(diffuse.r, 1.0f);
  // Below 1 moves the object into the transparent pass: glass only.
  float opacity = 1.0f;
  aiGetMaterialFloat(lit, AI_MATKEY_OPACITY, &opacity);
  if (file == "Resources/Furniture/bottle.obj") {
    EXPECT_GT(opacity, 0.4f);
    EXPECT_LT(opacity, 1.0f);
  } else {
    EXPECT_EQ(opacity, 1.0f);
  }
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    SCOPED_TRACE("mesh " + std::to_string(m));
    // Collision cooking and drawing take triangles only; normal mapping needs tangents.
    EXPECT_EQ(mesh->mPrimitiveTypes, unsigned(aiPrimitiveType_TRIANGLE));
    EXPECT_TRUE(mesh->HasTextureCoords(0) && mesh->HasTangentsAndBitangents());
    EXPECT_GE(mesh->mMaterialIndex, 1u);
    expectTrianglesWoundWithTheirNormals(mesh);
  }
  // The screen cube carries no images: post-processing binds its own.
  if (file == "Resources/cube.obj") return;
  const std::string directory = fs::path(file).parent_path().string() + "/";
  for (unsigned i = 1; i < scene->mNumMaterials; ++i) {
    SCOPED_TRACE("material " + std::to_string(i));
    expectImagesLoad(scene->mMaterials[i], directory);
  }
}

TEST(AssetgenFiles, EveryModelTheGameLoadsImportsReadyToDrawAndCook) {
  const std::map<std::string, bool> files = modelsTheGameLoads();
  ASSERT_GT(files.size(), 30u);
  for (const auto& [file, dynamic] : files) {
    SCOPED_TRACE(file);
    expectReadyToDrawAndCook(file, dynamic);
  }
}

// The upward faces of the building's shells, placed where the level places them.
struct Floors {
  std::vector<std::array<glm::vec3, 3>> triangles;

  // The highest floor under (x, z) at or below y, or NaN when there is none.
  float below(const glm::vec3& p) const {
    float best = std::nanf("");
    for (const auto& t : triangles) {
      const glm::vec2 a(t[0].x, t[0].z), b(t[1].x, t[1].z), c(t[2].x, t[2].z), q(p.x, p.z);
      const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
      if (std::abs(area) < 1e-9f) continue;
      const float u = ((b.x - q.x) * (c.y - q.y) - (c.x - q.x) * (b.y - q.y)) / area;
      const float v = ((c.x - q.x) * (a.y - q.y) - (a.x - q.x) * (c.y - q.y)) / area;
      const float w = 1.0f - u - v;
      if (u < 0 || v < 0 || w < 0) continue;
      const float h = u * t[0].y + v * t[1].y + w * t[2].y;
      if (h <= p.y + 0.01f && !(h <= best)) best = h;
    }
    return best;
  }
};

bool isShell(const vorn::scene::LevelEntry& e) {
  const std::string file = e.modelFile;
  return file.rfind("Resources/Building/", 0) == 0 && file != "Resources/Building/door.obj";
}

glm::mat4 placementOf(const vorn::scene::LevelEntry& e) {
  return glm::rotate(glm::translate(glm::mat4(1.0f), e.position), glm::radians(e.angle),
                     glm::vec3(0.0f, 1.0f, 0.0f));
}

Floors generatedFloors() {
  Floors floors;
  for (const vorn::scene::LevelEntry& e : vorn::scene::levelLayout()) {
    if (!isShell(e)) continue;
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(e.modelFile, kImportFlags);
    if (!scene) {
      ADD_FAILURE() << e.modelFile << ": " << importer.GetErrorString();
      continue;
    }
    const glm::mat4 placed = placementOf(e);
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
      const aiMesh* mesh = scene->mMeshes[m];
      for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        std::array<glm::vec3, 3> t;
        for (int k = 0; k < 3; ++k)
          t[k] = glm::vec3(placed * glm::vec4(vec(mesh->mVertices[mesh->mFaces[f].mIndices[k]]), 1.0f));
        const glm::vec3 normal = glm::cross(t[1] - t[0], t[2] - t[0]);
        if (glm::length(normal) > 0.0f && glm::normalize(normal).y > 0.7f) floors.triangles.push_back(t);
      }
    }
  }
  return floors;
}

// Every object the level places inside the building stands over a floor of the generated shells,
// in its own storey: a wall or apartment moved in the generator or the layout alone fails here.
TEST(AssetgenFiles, EveryPlacementStandsOnGeneratedFloor) {
  const Floors floors = generatedFloors();
  ASSERT_GT(floors.triangles.size(), 50u);
  int placements = 0;
  for (const vorn::scene::LevelEntry& e : vorn::scene::levelLayout()) {
    if (isShell(e)) continue;
    SCOPED_TRACE(e.name);
    // A door stands in the opening of its front wall: look just inside the corridor.
    const glm::vec3 p = std::string(e.modelFile) == "Resources/Building/door.obj"
                            ? glm::vec3(placementOf(e) * glm::vec4(0.0f, 0.0f, 0.5f, 1.0f))
                            : e.position;
    const float floor = floors.below(p);
    ASSERT_FALSE(std::isnan(floor)) << "nothing under " << p.x << ", " << p.y << ", " << p.z;
    EXPECT_LE(p.y - floor, vorn::scene::kStoreyHeight);
    ++placements;
  }
  EXPECT_GT(placements, 50);
}

// Post-processing draws the cube's front faces over the whole of clip space.
TEST(AssetgenFiles, ScreenCubeFillsClipSpaceFacingOutwards) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile("Resources/cube.obj", kImportFlags);
  ASSERT_NE(scene, nullptr);
  glm::vec3 lo(1e9f), hi(-1e9f);
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const unsigned* i = mesh->mFaces[f].mIndices;
      const glm::vec3 a = vec(mesh->mVertices[i[0]]), b = vec(mesh->mVertices[i[1]]), c = vec(mesh->mVertices[i[2]]);
      EXPECT_GT(glm::dot(glm::cross(b - a, c - a), a + b + c), 0.0f) << "face " << f << " points inwards";
      lo = glm::min(lo, glm::min(a, glm::min(b, c)));
      hi = glm::max(hi, glm::max(a, glm::max(b, c)));
    }
  }
  EXPECT_EQ(lo, glm::vec3(-1.0f));
  EXPECT_EQ(hi, glm::vec3(1.0f));
}

std::map<std::string, std::string> readTree(const fs::path& root) {
  std::map<std::string, std::string> files;
  for (const auto& entry : fs::recursive_directory_iterator(root)) {
    if (!entry.is_regular_file()) continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    files[fs::relative(entry.path(), root).string()] = bytes.str();
  }
  return files;
}

std::map<std::string, std::string> generateInto(const vorn::test::ScratchDirectory& directory) {
  int status = -1;
  vorn::test::runCommand(std::string(BLOTWISE_BINARY_DIR) + "/assetgen '" + directory.path.string() + "' 2>&1", status);
  EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0);
  return readTree(directory.path);
}

TEST(AssetgenProgram, OutputIsByteIdenticalFromRunToRun) {
  const vorn::test::ScratchDirectory first("assetgen_first"), second("assetgen_second");
  const auto a = generateInto(first), b = generateInto(second);
  ASSERT_GT(a.size(), 20u);
  EXPECT_TRUE(a.count("Resources/Building/hallway.obj"));
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    EXPECT_TRUE(bytes == b.at(name)) << name << " differs between runs";
  }
}

}  // namespace
