// Checks the generated building, the basic models and the generator itself: every file imports the
// way the game imports it, the materials carry what the renderer reads, and the geometry is fit
// for play - stairs that can be climbed, free door openings, closed walls, floors where the
// level needs them. Runs in the run directory, where the build has generated Resources/.

#include <FreeImage.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <array>
#include <assimp/Importer.hpp>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <queue>
#include <sstream>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec3.hpp>

namespace fs = std::filesystem;

namespace {

// The flags the game's importer uses.
constexpr unsigned kImportFlags =
    aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_FindDegenerates;

struct Triangle {
  glm::vec3 a, b, c;
};

struct Placement {
  std::string file;
  glm::vec3 position;
  float angle;
};

glm::mat4 placementMatrix(const Placement& p) {
  return glm::rotate(glm::translate(glm::mat4(1.0f), p.position), glm::radians(p.angle), glm::vec3(0, 1, 0));
}

// The building rows of the level: hallway, stairs, the six apartments and their doors.
const std::vector<Placement>& buildingPlacements() {
  static const std::vector<Placement> rows = {
      {"Resources/Building/hallway.obj", {0, -0.01f, 0}, 0},
      {"Resources/Building/stairs.obj", {21, 0, 0}, 270},
      {"Resources/Building/apartment_low.obj", {12, 0, 3.1f}, 180},
      {"Resources/Building/apartment_low.obj", {5, 0, -3.1f}, 0},
      {"Resources/Building/apartment_low.obj", {-5, 0, 3.1f}, 180},
      {"Resources/Building/apartment_low.obj", {-12, 0, -3.1f}, 0},
      {"Resources/Building/apartment_high.obj", {11, 6, 3.1f}, 180},
      {"Resources/Building/apartment_high.obj", {-12, 6, -3.1f}, 0},
      {"Resources/Building/door.obj", {12, 0, 3.1f}, 180},
      {"Resources/Building/door.obj", {5, 0, -3.1f}, 0},
      {"Resources/Building/door.obj", {-5, 0, 3.1f}, 180},
      {"Resources/Building/door.obj", {-12, 0, -3.1f}, 0},
      {"Resources/Building/door.obj", {11, 6, 3.1f}, 180},
      {"Resources/Building/door.obj", {-12, 6, -3.1f}, 0},
  };
  return rows;
}

const std::vector<std::string> kBuildingFiles = {
    "Resources/Building/hallway.obj", "Resources/Building/stairs.obj", "Resources/Building/apartment_low.obj",
    "Resources/Building/apartment_high.obj", "Resources/Building/door.obj"};

std::vector<Triangle> sceneTriangles(const aiScene* scene) {
  std::vector<Triangle> out;
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
      const aiFace& face = mesh->mFaces[f];
      if (face.mNumIndices != 3) continue;
      auto v = [&](unsigned i) {
        const aiVector3D& p = mesh->mVertices[face.mIndices[i]];
        return glm::vec3(p.x, p.y, p.z);
      };
      out.push_back({v(0), v(1), v(2)});
    }
  }
  return out;
}

// Imports each building file once and places every row, giving the level's building triangles.
const std::vector<Triangle>& worldTriangles() {
  static const std::vector<Triangle> triangles = [] {
    std::map<std::string, std::vector<Triangle>> byFile;
    std::vector<Triangle> out;
    for (const Placement& p : buildingPlacements()) {
      if (!byFile.count(p.file)) {
        Assimp::Importer importer;
        const aiScene* scene = importer.ReadFile(p.file, kImportFlags);
        byFile[p.file] = scene ? sceneTriangles(scene) : std::vector<Triangle>{};
      }
      const glm::mat4 m = placementMatrix(p);
      for (const Triangle& t : byFile[p.file]) {
        auto w = [&](const glm::vec3& v) { return glm::vec3(m * glm::vec4(v, 1.0f)); };
        out.push_back({w(t.a), w(t.b), w(t.c)});
      }
    }
    return out;
  }();
  return triangles;
}

// Vertical rays through the triangles, bucketed on a one-unit grid in x and z.
class FloorFinder {
 public:
  explicit FloorFinder(const std::vector<Triangle>& triangles) : triangles(triangles) {
    for (size_t i = 0; i < triangles.size(); ++i) {
      const Triangle& t = triangles[i];
      const int x0 = cell(std::min({t.a.x, t.b.x, t.c.x})), x1 = cell(std::max({t.a.x, t.b.x, t.c.x}));
      const int z0 = cell(std::min({t.a.z, t.b.z, t.c.z})), z1 = cell(std::max({t.a.z, t.b.z, t.c.z}));
      for (int x = x0; x <= x1; ++x)
        for (int z = z0; z <= z1; ++z) buckets[{x, z}].push_back(i);
    }
  }

  // Height of the highest surface at (x, z) at or below y.
  std::optional<float> below(float x, float y, float z) const {
    std::optional<float> best;
    for (float h : hits(x, z))
      if (h <= y + 1e-4f && (!best || h > *best)) best = h;
    return best;
  }
  // Height of the lowest surface at (x, z) above y.
  std::optional<float> above(float x, float y, float z) const {
    std::optional<float> best;
    for (float h : hits(x, z))
      if (h > y && (!best || h < *best)) best = h;
    return best;
  }

 private:
  static int cell(float v) { return static_cast<int>(std::floor(v)); }

  std::vector<float> hits(float x, float z) const {
    std::vector<float> out;
    const auto it = buckets.find({cell(x), cell(z)});
    if (it == buckets.end()) return out;
    for (size_t i : it->second) {
      const Triangle& t = triangles[i];
      const float d = (t.b.x - t.a.x) * (t.c.z - t.a.z) - (t.c.x - t.a.x) * (t.b.z - t.a.z);
      if (std::abs(d) < 1e-9f) continue;  // vertical
      const float l1 = ((x - t.a.x) * (t.c.z - t.a.z) - (t.c.x - t.a.x) * (z - t.a.z)) / d;
      const float l2 = ((t.b.x - t.a.x) * (z - t.a.z) - (x - t.a.x) * (t.b.z - t.a.z)) / d;
      if (l1 < -1e-5f || l2 < -1e-5f || l1 + l2 > 1.0f + 1e-5f) continue;
      out.push_back(t.a.y + l1 * (t.b.y - t.a.y) + l2 * (t.c.y - t.a.y));
    }
    return out;
  }

  const std::vector<Triangle>& triangles;
  std::map<std::pair<int, int>, std::vector<size_t>> buckets;
};

const FloorFinder& floors() {
  static const FloorFinder finder(worldTriangles());
  return finder;
}

// Separating-axis test of a triangle against an axis-aligned box.
bool triangleOverlapsBox(Triangle t, const glm::vec3& boxMin, const glm::vec3& boxMax) {
  const glm::vec3 centre = 0.5f * (boxMin + boxMax), half = 0.5f * (boxMax - boxMin);
  const glm::vec3 v[3] = {t.a - centre, t.b - centre, t.c - centre};
  const glm::vec3 e[3] = {v[1] - v[0], v[2] - v[1], v[0] - v[2]};
  auto separated = [&](const glm::vec3& axis) {
    if (glm::dot(axis, axis) < 1e-12f) return false;
    const float p0 = glm::dot(v[0], axis), p1 = glm::dot(v[1], axis), p2 = glm::dot(v[2], axis);
    const float r = half.x * std::abs(axis.x) + half.y * std::abs(axis.y) + half.z * std::abs(axis.z);
    return std::min({p0, p1, p2}) > r || std::max({p0, p1, p2}) < -r;
  };
  const glm::vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  for (const glm::vec3& a : axes)
    if (separated(a)) return false;
  if (separated(glm::cross(e[0], e[1]))) return false;
  for (const glm::vec3& edge : e)
    for (const glm::vec3& a : axes)
      if (separated(glm::cross(edge, a))) return false;
  return true;
}

std::string firstMaterialName(const std::string& mtlPath) {
  std::ifstream in(mtlPath);
  std::string line;
  while (std::getline(in, line))
    if (line.rfind("newmtl ", 0) == 0) return line.substr(7);
  return "";
}

std::string modelDirectory(const std::string& path) { return fs::path(path).parent_path().string(); }

struct ImageInfo {
  unsigned width = 0, height = 0;
  std::array<int, 3> centre{};
};

std::optional<ImageInfo> loadImage(const std::string& path) {
  const FREE_IMAGE_FORMAT format = FreeImage_GetFileType(path.c_str(), 0);
  if (format == FIF_UNKNOWN) return std::nullopt;
  FIBITMAP* bitmap = FreeImage_Load(format, path.c_str(), 0);
  if (!bitmap) return std::nullopt;
  ImageInfo info;
  info.width = FreeImage_GetWidth(bitmap);
  info.height = FreeImage_GetHeight(bitmap);
  RGBQUAD pixel{};
  FreeImage_GetPixelColor(bitmap, info.width / 2, info.height / 2, &pixel);
  info.centre = {pixel.rgbRed, pixel.rgbGreen, pixel.rgbBlue};
  FreeImage_Unload(bitmap);
  return info;
}

// Keys come as the AI_MATKEY_ triples (name, type, index).
float redOf(const aiMaterial* m, const char* key, unsigned type, unsigned index) {
  aiColor4D colour(0, 0, 0, 0);
  aiGetMaterialColor(m, key, type, index, &colour);
  return colour.r;
}

float floatOf(const aiMaterial* m, const char* key, unsigned type, unsigned index) {
  float value = -1.0f;
  aiGetMaterialFloatArray(m, key, type, index, &value, nullptr);
  return value;
}

std::optional<std::string> texturePath(const aiMaterial* m, aiTextureType type) {
  if (aiGetMaterialTextureCount(m, type) == 0) return std::nullopt;
  aiString path;
  if (aiGetMaterialTexture(m, type, 0, &path) != AI_SUCCESS) return std::nullopt;
  return std::string(path.C_Str());
}

// ------------------------------------------------------------------------------------------------
// Files and materials

TEST(AssetgenFiles, EveryModelImportsAsTrianglesWithAMaterialOfItsOwn) {
  std::vector<std::string> files = kBuildingFiles;
  files.insert(files.end(), {"Resources/cube.obj", "Resources/Censorable/box.obj", "Resources/Human/basic_male.obj"});
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, kImportFlags);
    ASSERT_NE(scene, nullptr) << importer.GetErrorString();
    ASSERT_GE(scene->mNumMeshes, 1u);
    // The importer's own default material comes first; ours follow in file order.
    ASSERT_GE(scene->mNumMaterials, 2u);
    aiString name;
    scene->mMaterials[1]->Get(AI_MATKEY_NAME, name);
    const std::string mtl = fs::path(file).replace_extension(".mtl").string();
    EXPECT_EQ(std::string(name.C_Str()), firstMaterialName(mtl));
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
      // Collision cooking and drawing take triangles only.
      EXPECT_EQ(scene->mMeshes[m]->mPrimitiveTypes, unsigned(aiPrimitiveType_TRIANGLE)) << "mesh " << m;
      EXPECT_GE(scene->mMeshes[m]->mMaterialIndex, 1u);
      EXPECT_TRUE(scene->mMeshes[m]->HasTextureCoords(0));
      EXPECT_TRUE(scene->mMeshes[m]->HasTangentsAndBitangents());
    }
  }
}

TEST(AssetgenFiles, LeadingMaterialGivesSensibleCoefficientsAndFullOpacity) {
  std::vector<std::string> files = kBuildingFiles;
  files.insert(files.end(), {"Resources/cube.obj", "Resources/Censorable/box.obj", "Resources/Human/basic_male.obj"});
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, kImportFlags);
    ASSERT_NE(scene, nullptr);
    ASSERT_GE(scene->mNumMaterials, 2u);
    const aiMaterial* m = scene->mMaterials[1];
    const float ambient = redOf(m, AI_MATKEY_COLOR_AMBIENT), diffuse = redOf(m, AI_MATKEY_COLOR_DIFFUSE);
    const float specular = redOf(m, AI_MATKEY_COLOR_SPECULAR);
    EXPECT_GE(ambient, 0.0f);
    EXPECT_LE(ambient, 1.0f);
    EXPECT_GE(diffuse, 0.3f);
    EXPECT_LE(diffuse, 1.0f);
    EXPECT_GE(specular, 0.0f);
    EXPECT_LE(specular, 1.0f);
    EXPECT_GE(floatOf(m, AI_MATKEY_SHININESS), 1.0f);
    // Anything below 1 would move the object into the transparent pass.
    EXPECT_EQ(floatOf(m, AI_MATKEY_OPACITY), 1.0f);
  }
}

TEST(AssetgenFiles, TexturedMaterialsNameImagesThatLoad) {
  std::vector<std::string> files = kBuildingFiles;
  files.insert(files.end(), {"Resources/Censorable/box.obj", "Resources/Human/basic_male.obj"});
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, kImportFlags);
    ASSERT_NE(scene, nullptr);
    for (unsigned i = 1; i < scene->mNumMaterials; ++i) {
      // Without a diffuse map a sub-mesh would draw with whatever texture was bound before it.
      const auto diffuse = texturePath(scene->mMaterials[i], aiTextureType_DIFFUSE);
      ASSERT_TRUE(diffuse.has_value()) << "material " << i;
      const auto image = loadImage(modelDirectory(file) + "/" + *diffuse);
      ASSERT_TRUE(image.has_value()) << *diffuse;
      EXPECT_GE(image->width, 64u);
      if (const auto bump = texturePath(scene->mMaterials[i], aiTextureType_HEIGHT)) {
        const auto normalMap = loadImage(modelDirectory(file) + "/" + *bump);
        ASSERT_TRUE(normalMap.has_value()) << *bump;
        EXPECT_EQ(normalMap->width, image->width) << *bump;
        EXPECT_GT(normalMap->centre[2], 128) << *bump << " points out of the surface";
      }
    }
  }
}

TEST(AssetgenFiles, EveryModelDirectoryHasAFlatDefaultNormalMap) {
  for (const char* dir : {"Resources", "Resources/Building", "Resources/Human", "Resources/Censorable"}) {
    SCOPED_TRACE(dir);
    const auto image = loadImage(std::string(dir) + "/Textures/normal.jpg");
    ASSERT_TRUE(image.has_value());
    EXPECT_NEAR(image->centre[0], 128, 3);
    EXPECT_NEAR(image->centre[1], 128, 3);
    EXPECT_NEAR(image->centre[2], 255, 3);
  }
}

// Flat faces carry normals that agree with their winding, so back-face culling keeps the side
// the normals light.
TEST(AssetgenFiles, WindingAgreesWithNormalsEverywhere) {
  std::vector<std::string> files = kBuildingFiles;
  files.insert(files.end(), {"Resources/cube.obj", "Resources/Censorable/box.obj", "Resources/Human/basic_male.obj"});
  for (const std::string& file : files) {
    SCOPED_TRACE(file);
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, kImportFlags);
    ASSERT_NE(scene, nullptr);
    size_t wrong = 0, total = 0;
    for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
      const aiMesh* mesh = scene->mMeshes[m];
      for (unsigned f = 0; f < mesh->mNumFaces; ++f) {
        const unsigned* i = mesh->mFaces[f].mIndices;
        auto p = [&](unsigned k) { return glm::vec3(mesh->mVertices[k].x, mesh->mVertices[k].y, mesh->mVertices[k].z); };
        auto n = [&](unsigned k) { return glm::vec3(mesh->mNormals[k].x, mesh->mNormals[k].y, mesh->mNormals[k].z); };
        const glm::vec3 geometric = glm::cross(p(i[1]) - p(i[0]), p(i[2]) - p(i[0]));
        ++total;
        if (glm::dot(geometric, n(i[0]) + n(i[1]) + n(i[2])) <= 0.0f) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0u) << "of " << total;
  }
}

TEST(AssetgenFiles, TriangleCountsSuitASoftwareRasteriser) {
  size_t levelTotal = 0;
  std::map<std::string, size_t> perFile;
  for (const std::string& file : kBuildingFiles) {
    Assimp::Importer importer;
    const aiScene* scene = importer.ReadFile(file, kImportFlags);
    ASSERT_NE(scene, nullptr) << file;
    perFile[file] = sceneTriangles(scene).size();
    EXPECT_LT(perFile[file], 4000u) << file;
  }
  for (const Placement& p : buildingPlacements()) levelTotal += perFile[p.file];
  EXPECT_LT(levelTotal, 15000u);
}

// ------------------------------------------------------------------------------------------------
// The basic models

TEST(AssetgenBasics, ScreenCubeCoversClipSpaceAndCarriesNoTexture) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile("Resources/cube.obj", kImportFlags);
  ASSERT_NE(scene, nullptr);
  for (unsigned m = 0; m < scene->mNumMaterials; ++m)
    EXPECT_EQ(aiGetMaterialTextureCount(scene->mMaterials[m], aiTextureType_DIFFUSE), 0u) << "material " << m;

  glm::vec3 lo(1e9f), hi(-1e9f);
  float frontArea = 0.0f;
  for (const Triangle& t : sceneTriangles(scene)) {
    for (const glm::vec3& v : {t.a, t.b, t.c}) {
      lo = glm::min(lo, v);
      hi = glm::max(hi, v);
    }
    const glm::vec3 normal = glm::cross(t.b - t.a, t.c - t.a);
    EXPECT_GT(glm::dot(normal, (t.a + t.b + t.c) / 3.0f), 0.0f) << "face points inwards";
    if (t.a.z == 1.0f && t.b.z == 1.0f && t.c.z == 1.0f) frontArea += 0.5f * normal.z;  // counter-clockwise in x, y
  }
  EXPECT_EQ(lo, glm::vec3(-1.0f));
  EXPECT_EQ(hi, glm::vec3(1.0f));
  // The +z face alone fills the screen with front-facing triangles.
  EXPECT_FLOAT_EQ(frontArea, 4.0f);
  for (unsigned m = 0; m < scene->mNumMeshes; ++m) {
    const aiMesh* mesh = scene->mMeshes[m];
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      EXPECT_GE(mesh->mTextureCoords[0][v].x, 0.0f);
      EXPECT_LE(mesh->mTextureCoords[0][v].x, 1.0f);
      EXPECT_GE(mesh->mTextureCoords[0][v].y, 0.0f);
      EXPECT_LE(mesh->mTextureCoords[0][v].y, 1.0f);
    }
  }
}

TEST(AssetgenBasics, CrateIsOneCentredMeshHalfAUnitAcross) {
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile("Resources/Censorable/box.obj", kImportFlags);
  ASSERT_NE(scene, nullptr);
  // A thrown box is a dynamic body: a second mesh would become a second body.
  EXPECT_EQ(scene->mNumMeshes, 1u);
  glm::vec3 lo(1e9f), hi(-1e9f);
  for (const Triangle& t : sceneTriangles(scene))
    for (const glm::vec3& v : {t.a, t.b, t.c}) {
      lo = glm::min(lo, v);
      hi = glm::max(hi, v);
    }
  for (int axis = 0; axis < 3; ++axis) {
    EXPECT_NEAR(hi[axis] - lo[axis], 0.5f, 0.1f);
    EXPECT_NEAR(hi[axis] + lo[axis], 0.0f, 1e-4f);
  }
}

// ------------------------------------------------------------------------------------------------
// Geometry for play

constexpr float kStepLimit = 0.5f;
constexpr float kCapsuleTop = 3.3f;  // feet to the top of the controller's capsule with its skin

// Follows the switchback from the ground corridor to the upper corridor in small steps, the way
// the controller would: each floor below must be reachable by climbing at most one riser.
TEST(AssetgenBuilding, StairsClimbFromTheGroundCorridorToTheUpperFloor) {
  std::vector<glm::vec2> path;
  auto line = [&](glm::vec2 from, glm::vec2 to) {
    const int n = static_cast<int>(glm::length(to - from) / 0.05f);
    for (int i = 0; i <= n; ++i) path.push_back(from + (to - from) * (static_cast<float>(i) / n));
  };
  line({14.0f, 1.6f}, {21.0f, 1.6f});   // north flight, eastwards
  line({21.0f, 1.6f}, {21.0f, -1.6f});  // across the landing
  line({21.0f, -1.6f}, {14.0f, -1.6f});  // south flight, westwards

  float feet = 0.0f;
  std::optional<glm::vec2> firstHighEye;
  for (const glm::vec2& p : path) {
    const auto floor = floors().below(p.x, feet + 1.0f, p.y);
    ASSERT_TRUE(floor.has_value()) << "no floor at " << p.x << ", " << p.y;
    EXPECT_LE(*floor - feet, kStepLimit + 1e-3f) << "at " << p.x << ", " << p.y;
    EXPECT_GE(*floor, feet - kStepLimit - 1e-3f) << "drop at " << p.x << ", " << p.y;
    feet = *floor;
    const auto ceiling = floors().above(p.x, feet + 0.01f, p.y);
    if (ceiling) {
      EXPECT_GT(*ceiling - feet, kCapsuleTop) << "head room at " << p.x << ", " << p.y;
    }
    if (!firstHighEye && feet + 2.6f > 6.0f) firstHighEye = p;
  }
  EXPECT_NEAR(feet, 6.0f, 0.02f);
  // The eye rises past 6 inside the staircase zone, which switches the lights.
  ASSERT_TRUE(firstHighEye.has_value());
  EXPECT_GT(firstHighEye->x, 16.0f);
  EXPECT_LT(firstHighEye->x, 20.0f);
  EXPECT_GT(firstHighEye->y, -5.0f);
  EXPECT_LT(firstHighEye->y, 5.0f);
  // Treads are at least 0.5 deep: count the distinct heights along the first flight.
  std::vector<float> heights;
  for (float x = 16.0f; x < 19.3f; x += 0.01f) {
    const float h = *floors().below(x, 10.0f, 1.6f);
    if (heights.empty() || std::abs(h - heights.back()) > 1e-3f) heights.push_back(h);
  }
  EXPECT_LE(heights.size(), 7u);
}

TEST(AssetgenBuilding, UpperFloorIsThereWhereTheLevelNeedsIt) {
  const std::vector<glm::vec3> points = {
      {15.0f, 6.0f, -1.6f},   // stair top
      {0.0f, 6.0f, 0.0f},     // upper corridor
      {-12.0f, 6.0f, -4.0f},  // inside apartment 6's door
      {11.0f, 6.0f, 4.0f},    // inside apartment 5's door
      {5.0f, 6.0f, -15.0f},   // the win room
      {-1.5f, 6.0f, -9.0f},   // where the dining guests sit
  };
  for (const glm::vec3& p : points) {
    const auto floor = floors().below(p.x, p.y + 0.5f, p.z);
    ASSERT_TRUE(floor.has_value()) << p.x << ", " << p.z;
    EXPECT_NEAR(*floor, 6.0f, 0.02f) << p.x << ", " << p.z;
  }
  // The ground floor where the player starts.
  EXPECT_NEAR(floors().below(-15.0f, 1.0f, 0.0f).value_or(-1.0f), 0.0f, 0.02f);
}

TEST(AssetgenBuilding, DoorOpeningsAreFree) {
  const auto& triangles = worldTriangles();
  for (const Placement& door : buildingPlacements()) {
    if (door.file != "Resources/Building/door.obj") continue;
    SCOPED_TRACE("door at " + std::to_string(door.position.x) + ", " + std::to_string(door.position.z));
    const glm::mat4 toLocal = glm::inverse(placementMatrix(door));
    // 2.2 wide, 3.6 high, through the wall and a little beyond on both sides.
    const glm::vec3 lo(-1.1f, 0.05f, -0.8f), hi(1.1f, 3.6f, 0.5f);
    size_t blocking = 0;
    for (const Triangle& t : triangles) {
      auto l = [&](const glm::vec3& v) { return glm::vec3(toLocal * glm::vec4(v, 1.0f)); };
      if (triangleOverlapsBox({l(t.a), l(t.b), l(t.c)}, lo, hi)) ++blocking;
    }
    EXPECT_EQ(blocking, 0u);
  }
}

// A top-down occupancy map of one storey: cells where walls cut the horizontal planes at the
// given heights, grown by the capsule's radius; the free cells are where the capsule's axis fits.
class StoreyMap {
 public:
  static constexpr float kCell = 0.1f, kMinX = -26.0f, kMinZ = -22.0f;
  static constexpr int kWidth = 520, kDepth = 440;

  StoreyMap(const std::vector<Triangle>& triangles, std::initializer_list<float> heights, float radius)
      : blocked(kWidth * kDepth, false) {
    std::vector<bool> walls(kWidth * kDepth, false);
    for (float h : heights)
      for (const Triangle& t : triangles) markSection(t, h, walls);
    const int r = static_cast<int>(std::ceil(radius / kCell));
    for (int z = 0; z < kDepth; ++z)
      for (int x = 0; x < kWidth; ++x) {
        if (!walls[z * kWidth + x]) continue;
        for (int dz = -r; dz <= r; ++dz)
          for (int dx = -r; dx <= r; ++dx)
            if ((dx * dx + dz * dz) * kCell * kCell <= radius * radius && inside(x + dx, z + dz))
              blocked[(z + dz) * kWidth + x + dx] = true;
      }
  }

  // Cells reachable from start without crossing a blocked cell.
  std::vector<bool> flood(glm::vec2 start) const {
    std::vector<bool> seen(kWidth * kDepth, false);
    std::queue<std::pair<int, int>> open;
    const int sx = toX(start.x), sz = toZ(start.y);
    if (!inside(sx, sz) || blocked[sz * kWidth + sx]) return seen;
    seen[sz * kWidth + sx] = true;
    open.push({sx, sz});
    while (!open.empty()) {
      const auto [x, z] = open.front();
      open.pop();
      for (const auto& [dx, dz] : {std::pair{1, 0}, {-1, 0}, {0, 1}, {0, -1}}) {
        const int nx = x + dx, nz = z + dz;
        if (!inside(nx, nz) || seen[nz * kWidth + nx] || blocked[nz * kWidth + nx]) continue;
        seen[nz * kWidth + nx] = true;
        open.push({nx, nz});
      }
    }
    return seen;
  }

  static int toX(float x) { return static_cast<int>(std::floor((x - kMinX) / kCell)); }
  static int toZ(float z) { return static_cast<int>(std::floor((z - kMinZ) / kCell)); }
  static glm::vec2 centre(int x, int z) { return {kMinX + (x + 0.5f) * kCell, kMinZ + (z + 0.5f) * kCell}; }
  static bool inside(int x, int z) { return x >= 0 && z >= 0 && x < kWidth && z < kDepth; }

 private:
  void markSection(const Triangle& t, float h, std::vector<bool>& walls) const {
    const glm::vec3 v[3] = {t.a, t.b, t.c};
    std::vector<glm::vec3> cut;
    for (int i = 0; i < 3; ++i) {
      const glm::vec3 &p = v[i], &q = v[(i + 1) % 3];
      if ((p.y - h) * (q.y - h) < 0.0f) cut.push_back(p + (q - p) * ((h - p.y) / (q.y - p.y)));
    }
    if (cut.size() != 2) return;
    const int n = 1 + static_cast<int>(glm::length(cut[1] - cut[0]) / (kCell * 0.25f));
    for (int i = 0; i <= n; ++i) {
      const glm::vec3 p = cut[0] + (cut[1] - cut[0]) * (static_cast<float>(i) / n);
      const int x = toX(p.x), z = toZ(p.z);
      if (inside(x, z)) walls[z * kWidth + x] = true;
    }
  }

  std::vector<bool> blocked;
};

// The outer shell of the building: apartments reach 16.4 behind the corridor walls.
bool outsideBuilding(glm::vec2 p) { return p.x < -22.8f || p.x > 22.8f || std::abs(p.y) > 19.5f; }

void expectClosedAndConnected(const StoreyMap& map, glm::vec2 start, const std::vector<glm::vec2>& targets) {
  const std::vector<bool> reached = map.flood(start);
  size_t escaped = 0, count = 0;
  glm::vec2 example(0.0f);
  for (int z = 0; z < StoreyMap::kDepth; ++z)
    for (int x = 0; x < StoreyMap::kWidth; ++x) {
      if (!reached[z * StoreyMap::kWidth + x]) continue;
      ++count;
      if (outsideBuilding(StoreyMap::centre(x, z))) {
        ++escaped;
        example = StoreyMap::centre(x, z);
      }
    }
  EXPECT_GT(count, 1000u) << "the start is walled in";
  EXPECT_EQ(escaped, 0u) << "the capsule slips out of the building, e.g. at " << example.x << ", " << example.y;
  for (const glm::vec2& t : targets)
    EXPECT_TRUE(reached[StoreyMap::toZ(t.y) * StoreyMap::kWidth + StoreyMap::toX(t.x)])
        << "cannot walk to " << t.x << ", " << t.y;
}

// Interior points of the flats in world coordinates, from their level poses.
glm::vec2 inFlat(const glm::vec3& position, float angle, glm::vec2 local) {
  const glm::vec3 w(placementMatrix({"", position, angle}) * glm::vec4(local.x, 0.0f, local.y, 1.0f));
  return {w.x, w.z};
}

TEST(AssetgenBuilding, GroundFloorIsClosedAndEveryFlatCanBeEntered) {
  // Slightly under the capsule's radius so that rounding to cells does not close real gaps.
  const StoreyMap map(worldTriangles(), {1.1f, 2.6f}, 0.65f);
  expectClosedAndConnected(map, {-15.0f, 0.0f},
                           {inFlat({12, 0, 3.1f}, 180, {-4, -12}), inFlat({5, 0, -3.1f}, 0, {-4, -12}),
                            inFlat({-5, 0, 3.1f}, 180, {-4, -12}), inFlat({-12, 0, -3.1f}, 0, {-4, -12}),
                            {15.5f, 1.6f}});
}

TEST(AssetgenBuilding, UpperFloorIsClosedAndLeadsFromTheStairsIntoBothFlats) {
  const StoreyMap map(worldTriangles(), {7.1f, 8.6f}, 0.65f);
  const glm::vec2 stairTop(15.0f, -1.6f);
  expectClosedAndConnected(map, stairTop,
                           {inFlat({11, 6, 3.1f}, 180, {5, -10}), inFlat({-12, 6, -3.1f}, 0, {5, -10}),
                            {5.0f, -15.0f}, {0.0f, 0.0f}});
  // Wherever the capsule can go on this storey outside the stair hall, there is floor at y = 6.
  const std::vector<bool> reached = map.flood(stairTop);
  size_t holes = 0;
  for (int z = 0; z < StoreyMap::kDepth; z += 3)
    for (int x = 0; x < StoreyMap::kWidth; x += 3) {
      const glm::vec2 c = StoreyMap::centre(x, z);
      if (!reached[z * StoreyMap::kWidth + x] || c.x > 15.8f) continue;
      const auto floor = floors().below(c.x, 6.5f, c.y);
      if (!floor || std::abs(*floor - 6.0f) > 0.02f) ++holes;
    }
  EXPECT_EQ(holes, 0u);
}

// ------------------------------------------------------------------------------------------------
// The generator

int runGenerator(const std::string& arguments) {
  const std::string command = std::string(BLOTWISE_BINARY_DIR) + "/assetgen " + arguments + " >/dev/null 2>&1";
  const int status = std::system(command.c_str());
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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

class TempDir {
 public:
  TempDir() {
    std::string pattern = (fs::temp_directory_path() / "blotwise_assetgen_XXXXXX").string();
    path = mkdtemp(pattern.data()) ? pattern : "";
  }
  ~TempDir() {
    std::error_code ignored;
    if (!path.empty()) fs::remove_all(path, ignored);
  }
  std::string path;
};

TEST(AssetgenProgram, OutputIsByteIdenticalFromRunToRun) {
  TempDir first, second;
  ASSERT_FALSE(first.path.empty());
  ASSERT_FALSE(second.path.empty());
  ASSERT_EQ(runGenerator("'" + first.path + "'"), 0);
  ASSERT_EQ(runGenerator("'" + second.path + "'"), 0);
  const auto a = readTree(first.path), b = readTree(second.path);
  ASSERT_GT(a.size(), 20u);
  ASSERT_EQ(a.size(), b.size());
  for (const auto& [name, bytes] : a) {
    ASSERT_TRUE(b.count(name)) << name;
    EXPECT_TRUE(bytes == b.at(name)) << name << " differs between runs";
  }
  EXPECT_TRUE(a.count("Resources/Building/hallway.obj"));
}

TEST(AssetgenProgram, BadArgumentsFailWithStatusOne) {
  EXPECT_EQ(runGenerator(""), 1);
  EXPECT_EQ(runGenerator("a b"), 1);
  // A run directory that cannot be created.
  EXPECT_EQ(runGenerator("/proc/blotwise/forbidden"), 1);
}

}  // namespace
