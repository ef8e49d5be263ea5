// Checks the generated props against the way the level uses them: a censored variant keeps the
// shape of its original and shows a black bar, and the swinging arm hangs from the shoulder the
// game turns it about. Runs in the run directory, where the build has generated Resources/.

#include <FreeImage.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <cmath>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "scene/LevelLayout.h"

using vorn::scene::LevelEntry;
using vorn::scene::levelLayout;

namespace {

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
  const aiScene* scene = importer.ReadFile(
      file, aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_FindDegenerates);
  if (!scene) return d;
  aiString path;
  if (scene->mNumMaterials > 1 && scene->mMaterials[1]->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
    d.texture = std::filesystem::path(file).parent_path().string() + "/" + path.C_Str();
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    const aiMesh* mesh = scene->mMeshes[i];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      if (mesh->mFaces[f].mNumIndices != 3) continue;
      Triangle t;
      for (unsigned k = 0; k < 3; ++k) {
        const unsigned v = mesh->mFaces[f].mIndices[k];
        t[k].position = {mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z};
        if (mesh->HasTextureCoords(0)) t[k].uv = {mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y};
        d.min = glm::min(d.min, t[k].position);
        d.max = glm::max(d.max, t[k].position);
      }
      d.triangles.push_back(t);
    }
  }
  return d;
}

std::string censoredFile(const std::string& file) { return file.substr(0, file.size() - 4) + "_censored.obj"; }

// Share of the model's surface that its texture paints black, sampled at seven points of every
// triangle.
float darkSurfaceShare(const Model& m) {
  FIBITMAP* image = FreeImage_Load(FreeImage_GetFileType(m.texture.c_str(), 0), m.texture.c_str(), 0);
  if (!image) return -1.0f;
  const unsigned width = FreeImage_GetWidth(image), height = FreeImage_GetHeight(image);
  const glm::vec3 samples[] = {{1 / 3.f, 1 / 3.f, 1 / 3.f}, {0.7f, 0.15f, 0.15f}, {0.15f, 0.7f, 0.15f},
                               {0.15f, 0.15f, 0.7f},       {0.45f, 0.45f, 0.1f}, {0.1f, 0.45f, 0.45f},
                               {0.45f, 0.1f, 0.45f}};
  float dark = 0, total = 0;
  for (const Triangle& t : m.triangles) {
    const float area = glm::length(glm::cross(t[1].position - t[0].position, t[2].position - t[0].position));
    for (const glm::vec3& w : samples) {
      const glm::vec2 uv = glm::clamp(w.x * t[0].uv + w.y * t[1].uv + w.z * t[2].uv, 0.0f, 1.0f);
      RGBQUAD texel{};
      FreeImage_GetPixelColor(image, std::min(width - 1, unsigned(uv.x * width)),
                              std::min(height - 1, unsigned(uv.y * height)), &texel);
      if (std::max({texel.rgbRed, texel.rgbGreen, texel.rgbBlue}) < 20) dark += area;
      total += area;
    }
  }
  FreeImage_Unload(image);
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
    for (const Corner& c : t) nearestToAxis = std::min(nearestToAxis, glm::length(glm::vec2(c.position - shoulder)));
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
