// The generator's files, in the run directory: the same bytes from run to run; every model the
// game loads imports as the game imports it, with materials and images the renderer can use; a
// censored variant keeps its original's shape and shows a black bar; the arm hangs from the
// shoulder the game turns it about.

#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Image.h"
#include "scene/BuildingPlan.h"
#include "scene/LevelLayout.h"
#include "support/Command.h"
#include "support/ScratchDirectory.h"

namespace fs = std::filesystem;
using vorn::scene::LevelEntry;
using vorn::scene::levelLayout;

namespace {

// The flags the game's importer uses.
constexpr unsigned kImportFlags = aiProcess_CalcTangentSpace | aiProcess_Triangulate |
                                  aiProcess_GenSmoothNormals | aiProcess_FindDegenerates;

struct Corner {
  glm::vec3 position;
  glm::vec2 uv;
};
using Triangle = std::array<Corner, 3>;

struct Model {
  std::vector<Triangle> triangles;
  std::string texture;  // the lit material's diffuse map, from the run directory
  glm::vec3 min{1e30f}, max{-1e30f};
};

// Imports each file once, with the flags the game's importer uses.
const Model& model(const std::string& file) {
  static std::map<std::string, Model> cache;
  if (const auto found = cache.find(file); found != cache.end()) return found->second;
  Model& d = cache[file];
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file, kImportFlags);
  if (!scene) return d;
  aiString path;
  if (scene->mNumMaterials > 1 &&
      scene->mMaterials[1]->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
    d.texture = std::filesystem::path(file).parent_path().string() + "/" + path.C_Str();
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    const aiMesh* mesh = scene->mMeshes[i];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      if (mesh->mFaces[f].mNumIndices != 3) continue;
      Triangle t;
      for (unsigned k = 0; k < 3; ++k) {
        const unsigned v = mesh->mFaces[f].mIndices[k];
        t[k].position = {mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z};
        if (mesh->HasTextureCoords(0))
          t[k].uv = {mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y};
        d.min = glm::min(d.min, t[k].position);
        d.max = glm::max(d.max, t[k].position);
      }
      d.triangles.push_back(t);
    }
  }
  return d;
}

std::string censoredFile(const std::string& file) {
  return file.substr(0, file.size() - 4) + "_censored.obj";
}

// Every model file the game loads, and whether it becomes a dynamic body. A censored variant
// always does.
std::map<std::string, bool> modelsTheGameLoads() {
  std::map<std::string, bool> files = {{"Resources/cube.obj", false},
                                       {"Resources/Human/basic_male.obj", false},
                                       {"Resources/Censorable/box.obj", true},
                                       {vorn::scene::kArmModelFile, false}};
  for (const LevelEntry& e : levelLayout()) {
    const std::string file = e.modelFile;
    files[file] = files[file] || e.kind == 1;
    if (vorn::scene::isCensorable(e.name)) files[censoredFile(file)] = true;
  }
  return files;
}

glm::vec3 vec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

// The texel at (u, v) of the image's level 0 as the game decodes it, RGBA.
const uint8_t* texelAt(const vorn::Image& image, float u, float v) {
  const vorn::Image::Level& l = image.levels[0];
  const unsigned x = std::min(l.width - 1, unsigned(u * l.width));
  return &l.pixels[(std::min(l.height - 1, unsigned(v * l.height)) * l.width + x) * 4];
}

std::string texture(const aiMaterial* m, aiTextureType type) {
  aiString path;
  if (aiGetMaterialTextureCount(m, type) == 0 ||
      aiGetMaterialTexture(m, type, 0, &path) != AI_SUCCESS)
    return "";
  return path.C_Str();
}

void expectTrianglesWoundWithTheirNormals(const aiMesh* mesh) {
  size_t wrong = 0;
  for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
    const unsigned* i = mesh->mFaces[f].mIndices;
    const glm::vec3 a = vec(mesh->mVertices[i[0]]), b = vec(mesh->mVertices[i[1]]),
                    c = vec(mesh->mVertices[i[2]]);
    const glm::vec3 normals =
        vec(mesh->mNormals[i[0]]) + vec(mesh->mNormals[i[1]]) + vec(mesh->mNormals[i[2]]);
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
  const vorn::Image diffuseMap = vorn::decodeImage(directory + diffuse);
  EXPECT_GE(diffuseMap.empty() ? 0 : diffuseMap.levels[0].width, 64u) << diffuse;
  std::string normal = texture(m, aiTextureType_HEIGHT);
  if (normal.empty()) normal = "Textures/normal.jpg";
  const vorn::Image normalMap = vorn::decodeImage(directory + normal);
  ASSERT_FALSE(normalMap.empty()) << normal;
  EXPECT_GT(texelAt(normalMap, 0.5f, 0.5f)[2], 128) << normal;
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

bool isShell(const LevelEntry& e) {
  const std::string file = e.modelFile;
  return file.rfind("Resources/Building/", 0) == 0 && file != "Resources/Building/door.obj";
}

glm::mat4 placementOf(const LevelEntry& e) {
  return glm::rotate(glm::translate(glm::mat4(1.0f), e.position), glm::radians(e.angle),
                     glm::vec3(0.0f, 1.0f, 0.0f));
}

Floors generatedFloors() {
  Floors floors;
  for (const LevelEntry& e : levelLayout()) {
    if (!isShell(e)) continue;
    const glm::mat4 placed = placementOf(e);
    const Model& shell = model(e.modelFile);
    if (shell.triangles.empty()) ADD_FAILURE() << e.modelFile << " gave no triangles";
    for (const Triangle& corners : shell.triangles) {
      std::array<glm::vec3, 3> t;
      for (int k = 0; k < 3; ++k) t[k] = glm::vec3(placed * glm::vec4(corners[k].position, 1.0f));
      const glm::vec3 normal = glm::cross(t[1] - t[0], t[2] - t[0]);
      if (glm::length(normal) > 0.0f && glm::normalize(normal).y > 0.7f)
        floors.triangles.push_back(t);
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
  for (const LevelEntry& e : levelLayout()) {
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
  const Model& cube = model("Resources/cube.obj");
  ASSERT_FALSE(cube.triangles.empty());
  for (const Triangle& t : cube.triangles) {
    const glm::vec3 a = t[0].position, b = t[1].position, c = t[2].position;
    EXPECT_GT(glm::dot(glm::cross(b - a, c - a), a + b + c), 0.0f) << "a face points inwards";
  }
  EXPECT_EQ(cube.min, glm::vec3(-1.0f));
  EXPECT_EQ(cube.max, glm::vec3(1.0f));
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
  vorn::test::runCommand(
      std::string(BLOTWISE_BINARY_DIR) + "/assetgen '" + directory.path.string() + "' 2>&1",
      status);
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

// Share of the model's surface that its texture paints black, sampled at seven points of every
// triangle.
float darkSurfaceShare(const Model& m) {
  const vorn::Image image = vorn::decodeImage(m.texture);
  if (image.empty()) return -1.0f;
  const glm::vec3 samples[] = {
      {1 / 3.f, 1 / 3.f, 1 / 3.f}, {0.7f, 0.15f, 0.15f}, {0.15f, 0.7f, 0.15f}, {0.15f, 0.15f, 0.7f},
      {0.45f, 0.45f, 0.1f},        {0.1f, 0.45f, 0.45f}, {0.45f, 0.1f, 0.45f}};
  float dark = 0, total = 0;
  for (const Triangle& t : m.triangles) {
    const float area =
        glm::length(glm::cross(t[1].position - t[0].position, t[2].position - t[0].position));
    for (const glm::vec3& w : samples) {
      const glm::vec2 uv = glm::clamp(w.x * t[0].uv + w.y * t[1].uv + w.z * t[2].uv, 0.0f, 1.0f);
      const uint8_t* texel = texelAt(image, uv.x, uv.y);
      if (std::max({texel[0], texel[1], texel[2]}) < 20) dark += area;
      total += area;
    }
  }
  return dark / total;
}

TEST(CensoredVariants, KeepTheShapeAndShowTheBar) {
  std::set<std::string> originals;
  for (const LevelEntry& e : levelLayout())
    if (vorn::scene::isCensorable(e.name)) originals.insert(e.modelFile);
  ASSERT_GE(originals.size(), 5u);
  for (const std::string& file : originals) {
    SCOPED_TRACE(file);
    const Model& original = model(file);
    const Model& censored = model(censoredFile(file));
    ASSERT_FALSE(original.triangles.empty() || censored.triangles.empty());
    const glm::vec3 extent = original.max - original.min;
    for (int axis = 0; axis < 3; ++axis) {
      const float allowed = 0.1f * std::max(extent[axis], 0.1f);
      EXPECT_NEAR(censored.min[axis], original.min[axis], allowed) << "axis " << axis;
      EXPECT_NEAR(censored.max[axis], original.max[axis], allowed) << "axis " << axis;
    }
    EXPECT_GT(darkSurfaceShare(censored), darkSurfaceShare(original) + 0.02f) << "no black bar";
  }
}

// The game turns the arm about the shoulder axis (x = 0, y = 3, along z): by 195 degrees when the
// level is built, and game play swings it back by up to 30 more.
TEST(Arm, HangsFromTheShoulderAndStaysRaisedOverheadThroughoutTheSwing) {
  const Model& arm = model(vorn::scene::kArmModelFile);
  const float head = model("Resources/Human/collegedude.obj").max.y;
  ASSERT_FALSE(arm.triangles.empty());
  const glm::vec3 shoulder(0.0f, 3.0f, 0.0f);
  float nearestToAxis = 1e30f;
  for (const Triangle& t : arm.triangles)
    for (const Corner& c : t)
      nearestToAxis = std::min(nearestToAxis, glm::length(glm::vec2(c.position - shoulder)));
  EXPECT_LT(nearestToAxis, 0.05f);
  for (float degrees : {195.0f, 180.0f, 165.0f}) {
    SCOPED_TRACE(degrees);
    const glm::mat4 turn = glm::rotate(glm::mat4(1.0f), glm::radians(degrees), glm::vec3(0, 0, 1));
    float lowest = 1e30f, highest = -1e30f;
    for (const Triangle& t : arm.triangles)
      for (const Corner& c : t) {
        const float y = shoulder.y + glm::vec3(turn * glm::vec4(c.position - shoulder, 0.0f)).y;
        lowest = std::min(lowest, y);
        highest = std::max(highest, y);
      }
    EXPECT_GT(lowest, 2.6f) << "part of the raised arm hangs below the shoulder";
    EXPECT_GT(highest, head + 0.5f) << "the hand is not above the head";
  }
}

}  // namespace
