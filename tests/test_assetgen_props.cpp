// Checks the generated furniture, people and censorable objects the way the level uses them: every
// file imports as the game imports it with a lit, textured material; dynamic models are one mesh
// with a hull that stands; placed in the level, things rest on the surfaces the layout puts them on,
// wall pieces stand against their walls, and dynamic bodies stay where they are put when physics
// runs. Runs in the run directory, where the build has generated Resources/.

#include <FreeImage.h>
#include <LinearMath/btConvexHull.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <assimp/Importer.hpp>
#include <cmath>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <glm/geometric.hpp>
#include <glm/gtc/matrix_transform.hpp>
#include <glm/mat4x4.hpp>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "scene/LevelLayout.h"

namespace fs = std::filesystem;
using vorn::scene::LevelEntry;
using vorn::scene::levelLayout;

namespace {

constexpr unsigned kImportFlags =
    aiProcess_CalcTangentSpace | aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_FindDegenerates;

const std::vector<std::string> kFurniture = {"kitchenunit_low", "desk_low",   "chair_high",      "couch_low",
                                             "smalltable_low",  "catbasket_low", "sleepingcat_low", "bottle",
                                             "speaker_low",     "chimney_high", "diningtable_high"};
const std::vector<std::string> kPeople = {"computerfreak", "granny", "rich_man", "rich_woman", "collegedude",
                                          "collegedude_arm"};
const std::vector<std::string> kCensorables = {"screen", "newspaper", "pothead",     "poster",
                                               "tv",     "datenight", "statuemale", "statuefemale"};

std::string censorablePath(const std::string& name) { return "Resources/Censorable/" + name + ".obj"; }
std::string censoredPath(const std::string& name) { return "Resources/Censorable/" + name + "_censored.obj"; }

std::vector<std::string> allPropFiles() {
  std::vector<std::string> files;
  for (const auto& n : kFurniture) files.push_back("Resources/Furniture/" + n + ".obj");
  for (const auto& n : kPeople) files.push_back("Resources/Human/" + n + ".obj");
  for (const auto& n : kCensorables) {
    files.push_back(censorablePath(n));
    files.push_back(censoredPath(n));
  }
  return files;
}

struct MeshData {
  std::vector<glm::vec3> points;
  std::vector<glm::vec2> uvs;
  std::vector<unsigned> indices;
};

struct MaterialData {
  float ambient = 0, diffuse = 0, specular = 0, opacity = 1;
  std::string diffuseMap;
};

struct ModelData {
  bool imported = false;
  std::vector<MeshData> meshes;
  std::vector<MaterialData> materials;
  glm::vec3 min{1e30f}, max{-1e30f};

  std::vector<glm::vec3> allPoints() const {
    std::vector<glm::vec3> out;
    for (const auto& m : meshes) out.insert(out.end(), m.points.begin(), m.points.end());
    return out;
  }
};

MaterialData readMaterial(const aiMaterial* m) {
  MaterialData d;
  aiColor4D c;
  if (aiGetMaterialColor(m, AI_MATKEY_COLOR_AMBIENT, &c) == AI_SUCCESS) d.ambient = c.r;
  if (aiGetMaterialColor(m, AI_MATKEY_COLOR_DIFFUSE, &c) == AI_SUCCESS) d.diffuse = c.r;
  if (aiGetMaterialColor(m, AI_MATKEY_COLOR_SPECULAR, &c) == AI_SUCCESS) d.specular = c.r;
  float opacity = 1;
  if (aiGetMaterialFloat(m, AI_MATKEY_OPACITY, &opacity) == AI_SUCCESS) d.opacity = opacity;
  aiString path;
  if (m->GetTextureCount(aiTextureType_DIFFUSE) > 0 && m->GetTexture(aiTextureType_DIFFUSE, 0, &path) == AI_SUCCESS)
    d.diffuseMap = path.C_Str();
  return d;
}

// Imports each file once.
const ModelData& model(const std::string& file) {
  static std::map<std::string, ModelData> cache;
  auto found = cache.find(file);
  if (found != cache.end()) return found->second;
  ModelData& d = cache[file];
  Assimp::Importer importer;
  const aiScene* scene = importer.ReadFile(file, kImportFlags);
  if (!scene) return d;
  d.imported = true;
  for (unsigned i = 0; i < scene->mNumMaterials; ++i) d.materials.push_back(readMaterial(scene->mMaterials[i]));
  for (unsigned i = 0; i < scene->mNumMeshes; ++i) {
    const aiMesh* mesh = scene->mMeshes[i];
    MeshData m;
    for (unsigned v = 0; v < mesh->mNumVertices; ++v) {
      glm::vec3 p(mesh->mVertices[v].x, mesh->mVertices[v].y, mesh->mVertices[v].z);
      m.points.push_back(p);
      m.uvs.emplace_back(mesh->HasTextureCoords(0) ? glm::vec2(mesh->mTextureCoords[0][v].x, mesh->mTextureCoords[0][v].y)
                                                   : glm::vec2(0.0f));
      d.min = glm::min(d.min, p);
      d.max = glm::max(d.max, p);
    }
    for (unsigned f = 0; f < mesh->mNumFaces; ++f)
      if (mesh->mFaces[f].mNumIndices == 3)
        for (unsigned k = 0; k < 3; ++k) m.indices.push_back(mesh->mFaces[f].mIndices[k]);
    d.meshes.push_back(std::move(m));
  }
  return d;
}

size_t triangleCount(const ModelData& d) {
  size_t n = 0;
  for (const auto& m : d.meshes) n += m.indices.size() / 3;
  return n;
}

glm::mat4 placement(const LevelEntry& e) {
  return glm::rotate(glm::translate(glm::mat4(1.0f), e.position), glm::radians(e.angle), glm::vec3(0, 1, 0));
}

const LevelEntry& entry(const std::string& name) {
  for (const LevelEntry& e : levelLayout())
    if (name == e.name) return e;
  ADD_FAILURE() << "no level entry " << name;
  return levelLayout().front();
}

bool isBuilding(const LevelEntry& e) { return std::string(e.modelFile).rfind("Resources/Building/", 0) == 0; }
bool isFurniture(const LevelEntry& e) { return std::string(e.modelFile).rfind("Resources/Furniture/", 0) == 0; }

// ---- Geometry helpers ------------------------------------------------------------------------

struct Triangle {
  glm::vec3 a, b, c;
};

std::vector<Triangle> placedTriangles(const std::vector<const LevelEntry*>& rows) {
  std::vector<Triangle> out;
  for (const LevelEntry* e : rows) {
    const glm::mat4 m = placement(*e);
    for (const MeshData& mesh : model(e->modelFile).meshes)
      for (size_t i = 0; i + 2 < mesh.indices.size(); i += 3) {
        auto w = [&](unsigned k) { return glm::vec3(m * glm::vec4(mesh.points[mesh.indices[i + k]], 1.0f)); };
        out.push_back({w(0), w(1), w(2)});
      }
  }
  return out;
}

std::vector<const LevelEntry*> rowsWhere(bool (*keep)(const LevelEntry&)) {
  std::vector<const LevelEntry*> rows;
  for (const LevelEntry& e : levelLayout())
    if (keep(e)) rows.push_back(&e);
  return rows;
}

// Distance along the ray to the nearest triangle (both sides count).
std::optional<float> castRay(const std::vector<Triangle>& tris, const glm::vec3& from, const glm::vec3& dir) {
  std::optional<float> best;
  for (const Triangle& t : tris) {
    glm::vec3 e1 = t.b - t.a, e2 = t.c - t.a, p = glm::cross(dir, e2);
    float det = glm::dot(e1, p);
    if (std::abs(det) < 1e-9f) continue;
    glm::vec3 s = from - t.a;
    float u = glm::dot(s, p) / det;
    if (u < 0 || u > 1) continue;
    glm::vec3 q = glm::cross(s, e1);
    float v = glm::dot(dir, q) / det;
    if (v < 0 || u + v > 1) continue;
    float d = glm::dot(e2, q) / det;
    if (d >= 0 && (!best || d < *best)) best = d;
  }
  return best;
}

// The hull the game cooks for a dynamic body: at most 50 vertices.
struct Hull {
  std::vector<glm::vec3> points;
  std::vector<unsigned> indices;
  float volume = 0;
  glm::vec3 centroid{0.0f};
};

Hull reducedHull(const std::vector<glm::vec3>& points) {
  std::vector<btVector3> in;
  for (const auto& p : points) in.emplace_back(p.x, p.y, p.z);
  HullDesc desc(QF_TRIANGLES, static_cast<unsigned>(in.size()), in.data(), sizeof(btVector3));
  desc.mMaxVertices = 50;
  HullLibrary library;
  HullResult result;
  Hull hull;
  if (library.CreateConvexHull(desc, result) != QE_OK) return hull;
  for (int i = 0; i < result.m_OutputVertices.size(); ++i) {
    const btVector3& v = result.m_OutputVertices[i];
    hull.points.emplace_back(v.x(), v.y(), v.z());
  }
  for (int i = 0; i < result.m_Indices.size(); ++i) hull.indices.push_back(result.m_Indices[i]);
  library.ReleaseResult(result);
  // Volume and centre of mass from tetrahedra against an interior point.
  glm::vec3 inside(0.0f);
  for (const auto& p : hull.points) inside += p;
  inside /= static_cast<float>(hull.points.size());
  glm::vec3 moment(0.0f);
  for (size_t i = 0; i + 2 < hull.indices.size(); i += 3) {
    const glm::vec3 &a = hull.points[hull.indices[i]], &b = hull.points[hull.indices[i + 1]],
                    &c = hull.points[hull.indices[i + 2]];
    float v = glm::dot(a - inside, glm::cross(b - inside, c - inside)) / 6.0f;
    hull.volume += v;
    moment += v * (inside + a + b + c) / 4.0f;
  }
  hull.centroid = moment / hull.volume;
  hull.volume = std::abs(hull.volume);
  return hull;
}

float cross2(const glm::vec2& o, const glm::vec2& a, const glm::vec2& b) {
  return (a.x - o.x) * (b.y - o.y) - (a.y - o.y) * (b.x - o.x);
}

// Counter-clockwise convex hull of points in the plane.
std::vector<glm::vec2> hull2d(std::vector<glm::vec2> p) {
  std::sort(p.begin(), p.end(), [](const glm::vec2& a, const glm::vec2& b) { return a.x < b.x || (a.x == b.x && a.y < b.y); });
  std::vector<glm::vec2> h(2 * p.size());
  size_t k = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    while (k >= 2 && cross2(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  for (size_t i = p.size() - 1, t = k + 1; i-- > 0;) {
    while (k >= t && cross2(h[k - 2], h[k - 1], p[i]) <= 0) --k;
    h[k++] = p[i];
  }
  h.resize(k > 1 ? k - 1 : k);
  return h;
}

// Signed distance of q inside a counter-clockwise polygon (negative outside).
float insideMargin(const std::vector<glm::vec2>& poly, const glm::vec2& q) {
  if (poly.size() < 3) return -1.0f;
  float margin = 1e30f;
  for (size_t i = 0; i < poly.size(); ++i) {
    glm::vec2 a = poly[i], b = poly[(i + 1) % poly.size()];
    margin = std::min(margin, cross2(a, b, q) / glm::length(b - a));
  }
  return margin;
}

std::vector<std::string> dynamicModelFiles() {
  std::vector<std::string> files;
  for (const LevelEntry& e : levelLayout())
    if (e.kind == 1 && std::find(files.begin(), files.end(), e.modelFile) == files.end()) files.push_back(e.modelFile);
  // The game loads every censored replacement as a dynamic body.
  for (const auto& n : kCensorables) files.push_back(censoredPath(n));
  return files;
}

std::string modelDirectory(const std::string& file) { return fs::path(file).parent_path().string(); }

struct Picture {
  unsigned width = 0, height = 0;
  std::vector<glm::vec3> texels;

  explicit Picture(const std::string& path) {
    FIBITMAP* loaded = FreeImage_Load(FreeImage_GetFileType(path.c_str(), 0), path.c_str(), 0);
    if (!loaded) return;
    FIBITMAP* rgb = FreeImage_ConvertTo24Bits(loaded);
    width = FreeImage_GetWidth(rgb);
    height = FreeImage_GetHeight(rgb);
    for (unsigned y = 0; y < height; ++y) {
      const BYTE* row = FreeImage_GetScanLine(rgb, static_cast<int>(y));
      for (unsigned x = 0; x < width; ++x)
        texels.emplace_back(row[3 * x + FI_RGBA_RED] / 255.0f, row[3 * x + FI_RGBA_GREEN] / 255.0f,
                            row[3 * x + FI_RGBA_BLUE] / 255.0f);
    }
    FreeImage_Unload(rgb);
    FreeImage_Unload(loaded);
  }
  glm::vec3 at(const glm::vec2& uv) const {
    unsigned x = std::min(width - 1, static_cast<unsigned>(std::clamp(uv.x, 0.0f, 1.0f) * width));
    unsigned y = std::min(height - 1, static_cast<unsigned>(std::clamp(uv.y, 0.0f, 1.0f) * height));
    return texels[y * width + x];
  }
};

// Share of the model's surface that its texture paints black, sampled over every triangle.
float darkSurfaceShare(const std::string& file) {
  const ModelData& d = model(file);
  const Picture picture(modelDirectory(file) + "/" + d.materials.at(1).diffuseMap);
  if (picture.texels.empty()) return -1;
  const glm::vec3 samples[] = {{1 / 3.f, 1 / 3.f, 1 / 3.f}, {0.7f, 0.15f, 0.15f}, {0.15f, 0.7f, 0.15f},
                               {0.15f, 0.15f, 0.7f},       {0.45f, 0.45f, 0.1f}, {0.1f, 0.45f, 0.45f},
                               {0.45f, 0.1f, 0.45f}};
  float dark = 0, total = 0;
  for (const MeshData& m : d.meshes)
    for (size_t i = 0; i + 2 < m.indices.size(); i += 3) {
      const unsigned a = m.indices[i], b = m.indices[i + 1], c = m.indices[i + 2];
      const float area = 0.5f * glm::length(glm::cross(m.points[b] - m.points[a], m.points[c] - m.points[a]));
      for (const glm::vec3& w : samples) {
        const glm::vec3 texel = picture.at(w.x * m.uvs[a] + w.y * m.uvs[b] + w.z * m.uvs[c]);
        if (std::max({texel.r, texel.g, texel.b}) < 0.08f) dark += area;
        total += area;
      }
    }
  return dark / total;
}

// ---- Files and materials ---------------------------------------------------------------------

TEST(PropFiles, EveryModelImportsWithALitTexturedMaterial) {
  for (const std::string& file : allPropFiles()) {
    SCOPED_TRACE(file);
    const ModelData& d = model(file);
    ASSERT_TRUE(d.imported);
    ASSERT_GE(d.meshes.size(), 1u);
    EXPECT_GT(triangleCount(d), 0u);
    // The importer's own default material comes first; ours is index 1 and lights the object.
    ASSERT_GE(d.materials.size(), 2u);
    const MaterialData& m = d.materials[1];
    EXPECT_NEAR(m.diffuse, 0.8f, 0.15f);
    EXPECT_GE(m.ambient, 0.25f);
    EXPECT_LE(m.ambient, 0.55f);
    EXPECT_LE(m.specular, 0.8f);
    if (file == "Resources/Furniture/bottle.obj") {
      EXPECT_LT(m.opacity, 1.0f);  // glass
      EXPECT_GT(m.opacity, 0.4f);
    } else {
      EXPECT_FLOAT_EQ(m.opacity, 1.0f);
    }
    ASSERT_FALSE(m.diffuseMap.empty());
    const std::string texture = modelDirectory(file) + "/" + m.diffuseMap;
    EXPECT_TRUE(fs::exists(texture)) << texture;
    EXPECT_GT(Picture(texture).width, 0u) << texture << " does not load";
    EXPECT_TRUE(fs::exists(modelDirectory(file) + "/Textures/normal.jpg"));
  }
}

TEST(PropFiles, TriangleCountsStayModest) {
  size_t placed = 0;
  for (const std::string& file : allPropFiles()) EXPECT_LE(triangleCount(model(file)), 3000u) << file;
  for (const LevelEntry& e : levelLayout())
    if (!isBuilding(e)) placed += triangleCount(model(e.modelFile));
  EXPECT_LE(placed, 40000u);
}

// ---- Dynamic bodies --------------------------------------------------------------------------

TEST(DynamicModels, AreOneMeshEach) {
  for (const std::string& file : dynamicModelFiles()) EXPECT_EQ(model(file).meshes.size(), 1u) << file;
}

TEST(DynamicModels, HullStandsOnABaseUnderItsCentreOfMass) {
  for (const std::string& file : dynamicModelFiles()) {
    // A censored poster comes loose from its wall; it is a flat sheet, not a standing object.
    if (file == censoredPath("poster")) continue;
    SCOPED_TRACE(file);
    const Hull hull = reducedHull(model(file).allPoints());
    ASSERT_GE(hull.points.size(), 4u);
    float lowest = 1e30f;
    for (const auto& p : hull.points) lowest = std::min(lowest, p.y);
    EXPECT_NEAR(lowest, 0.0f, 0.02f) << "the origin should lie on the base";
    std::vector<glm::vec2> base;
    for (const auto& p : hull.points)
      if (p.y < lowest + 0.03f) base.emplace_back(p.x, p.z);
    const float margin = insideMargin(hull2d(base), {hull.centroid.x, hull.centroid.z});
    EXPECT_GT(margin, 0.05f) << "centre of mass " << hull.centroid.x << ", " << hull.centroid.z;
    // Tipping needs a push that lifts the centre of mass over the base's edge.
    EXPECT_GT(std::atan2(margin, hull.centroid.y - lowest), glm::radians(8.0f));
  }
}

// ---- Censored variants -----------------------------------------------------------------------

TEST(CensoredVariants, KeepTheShapeAndShowTheBar) {
  for (const std::string& name : kCensorables) {
    SCOPED_TRACE(name);
    const ModelData& original = model(censorablePath(name));
    const ModelData& censored = model(censoredPath(name));
    ASSERT_TRUE(original.imported && censored.imported);
    const glm::vec3 extent = original.max - original.min;
    for (int axis = 0; axis < 3; ++axis) {
      const float allowed = 0.1f * std::max(extent[axis], 0.1f);
      EXPECT_NEAR(censored.min[axis], original.min[axis], allowed) << "axis " << axis;
      EXPECT_NEAR(censored.max[axis], original.max[axis], allowed) << "axis " << axis;
    }
    EXPECT_GT(darkSurfaceShare(censoredPath(name)), darkSurfaceShare(censorablePath(name)) + 0.02f)
        << "the censored model should carry a black bar";
  }
}

TEST(Censorables, AreLargeEnoughToHit) {
  for (const std::string& name : kCensorables) {
    const glm::vec3 e = model(censorablePath(name)).max - model(censorablePath(name)).min;
    const float face = std::max({e.x * e.y, e.x * e.z, e.y * e.z});
    EXPECT_GE(face, 0.45f) << name;
  }
  const glm::vec3 statue = model(censorablePath("statuemale")).max;
  EXPECT_NEAR(statue.y, 3.5f, 0.2f);
  EXPECT_NEAR(model(censorablePath("statuefemale")).max.y, 3.5f, 0.2f);
}

// ---- The arm ---------------------------------------------------------------------------------

glm::mat4 armTurn(float degrees) {
  glm::mat4 m = glm::translate(glm::mat4(1.0f), {0, 3, 0});
  m = glm::rotate(m, glm::radians(degrees), glm::vec3(0, 0, 1));
  return glm::translate(m, {0, -3, 0});
}

TEST(Arm, HangsFromTheShoulderPivot) {
  const std::vector<glm::vec3> arm = model("Resources/Human/collegedude_arm.obj").allPoints();
  ASSERT_FALSE(arm.empty());
  float nearestToAxis = 1e30f, lowest = 1e30f;
  for (const auto& p : arm) {
    nearestToAxis = std::min(nearestToAxis, glm::length(glm::vec2(p.x, p.y - 3.0f)));
    lowest = std::min(lowest, p.y);
  }
  // The rotation axis (x = 0, y = 3, along z) runs through the shoulder joint.
  EXPECT_LT(nearestToAxis, 0.05f);
  EXPECT_LT(lowest, 1.5f) << "the arm should hang down to hip height";
  // Beside the body, not inside it.
  const ModelData& body = model("Resources/Human/collegedude.obj");
  float armInner = 1e30f;
  for (const auto& p : arm) armInner = std::min(armInner, p.z);
  float bodyOuter = -1e30f;
  for (const auto& p : body.allPoints())
    if (p.y > 2.4f && p.y < 3.2f) bodyOuter = std::max(bodyOuter, p.z);
  EXPECT_GT(armInner, bodyOuter - 0.15f);
}

TEST(Arm, IsRaisedOverheadThroughoutTheSwing) {
  const std::vector<glm::vec3> arm = model("Resources/Human/collegedude_arm.obj").allPoints();
  const float head = model("Resources/Human/collegedude.obj").max.y;
  // The level turns it by 195 degrees; game play swings it back by up to 30 more.
  for (float degrees : {195.0f, 180.0f, 165.0f}) {
    SCOPED_TRACE(degrees);
    glm::vec3 hand(0.0f, -1e30f, 0.0f);
    for (const auto& p : arm) {
      glm::vec3 q = glm::vec3(armTurn(degrees) * glm::vec4(p, 1.0f));
      if (q.y > hand.y) hand = q;
      EXPECT_GT(q.y, 2.6f) << "nothing of the raised arm hangs below the shoulder";
    }
    EXPECT_GT(hand.y, head + 0.5f);
    EXPECT_LT(std::abs(hand.x), 0.8f);
  }
}

// ---- Placement in the level ------------------------------------------------------------------

// Furniture that other things are put on (not the small things themselves).
bool isSupport(const LevelEntry& e) {
  const std::string file = e.modelFile;
  return isFurniture(e) && file.find("bottle") == std::string::npos && file.find("sleepingcat") == std::string::npos;
}

TEST(Placement, StaticThingsRestOnTheSurfacesBelowThem) {
  const std::vector<Triangle> supports = placedTriangles(rowsWhere(isSupport));
  // Static objects the layout puts on furniture (the dynamic ones are checked by the physics test).
  const std::vector<std::string> resting = {"ap2_cat1",    "ap2_cat2",    "ap2_cat3",    "ap3_bottle1",
                                            "ap3_bottle2", "ap4_bottle1", "ap6_bottle1", "ap6_bottle2",
                                            "c_ap5_tv"};
  for (const std::string& name : resting) {
    const LevelEntry& e = entry(name);
    SCOPED_TRACE(name);
    const glm::vec3 probe = e.position + glm::vec3(0.0f, 0.3f, 0.0f);
    const auto down = castRay(supports, probe, {0, -1, 0});
    ASSERT_TRUE(down.has_value());
    EXPECT_NEAR(probe.y - *down, e.position.y, 0.03f);
  }
}

struct WallCheck {
  std::string name;
  std::vector<glm::vec3> probes;  // local points a little in front of the back
  float nearest, farthest;        // allowed local z of the wall face behind each probe
};

TEST(Placement, WallPiecesStandAgainstTheirWalls) {
  const std::vector<Triangle> building = placedTriangles(rowsWhere(isBuilding));
  const std::vector<WallCheck> checks = {
      {"ap1_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.0f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap2_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.0f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap3_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.0f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap4_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.0f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap5_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.4f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap6_kitchen", {{-0.5f, 1.0f, -0.5f}, {2.4f, 4.0f, -0.5f}}, 0.0f, 0.5f},
      {"ap1_desk", {{-1.5f, 2.1f, -0.5f}, {1.5f, 2.1f, -0.5f}}, 0.0f, 0.5f},
      {"ap5_chimney", {{-1.0f, 2.0f, -0.5f}, {1.0f, 3.0f, -0.5f}}, 0.0f, 0.4f},
      {"c_ap5_tv", {{-0.8f, 0.6f, -0.5f}, {0.8f, 0.6f, -0.5f}}, 0.08f, 0.4f},
      {"c_ap6_tv", {{-0.8f, 0.6f, -0.5f}, {0.8f, 0.6f, -0.5f}}, 0.08f, 0.4f},
      {"c_ap4_poster1", {{-0.8f, 1.0f, -0.5f}, {0.8f, -1.0f, -0.5f}}, -0.02f, 0.1f},
      {"c_ap4_poster2", {{-0.8f, 1.0f, -0.5f}, {0.8f, -1.0f, -0.5f}}, -0.02f, 0.1f},
      {"ap4_speaker", {{0.0f, 1.5f, -0.5f}}, 0.2f, 1.2f},
  };
  for (const WallCheck& c : checks) {
    SCOPED_TRACE(c.name);
    const glm::mat4 m = placement(entry(c.name));
    const glm::vec3 back = glm::normalize(glm::vec3(m * glm::vec4(0, 0, 1, 0)));
    for (const glm::vec3& local : c.probes) {
      const auto hit = castRay(building, glm::vec3(m * glm::vec4(local, 1.0f)), back);
      ASSERT_TRUE(hit.has_value());
      const float wallZ = local.z + *hit;
      EXPECT_GE(wallZ, c.nearest);
      EXPECT_LE(wallZ, c.farthest);
    }
  }
}

// A small physics scene of the level: every static row as a triangle mesh, every dynamic row as
// the hull the game cooks, with the mass centre at the hull's centroid.
class SettleWorld {
 public:
  SettleWorld() : dispatcher(&config), world(&dispatcher, &broadphase, &solver, &config) {
    world.setGravity(btVector3(0, -9.8f, 0));
    addStatic(std::make_unique<btStaticPlaneShape>(btVector3(0, 1, 0), 0.0f), btTransform::getIdentity());
  }
  ~SettleWorld() {
    for (auto& b : bodies) world.removeRigidBody(b.get());
  }

  void addStaticRow(const LevelEntry& e) {
    auto mesh = std::make_unique<btTriangleMesh>();
    for (const Triangle& t : placedTriangles({&e}))
      mesh->addTriangle({t.a.x, t.a.y, t.a.z}, {t.b.x, t.b.y, t.b.z}, {t.c.x, t.c.y, t.c.z});
    auto shape = std::make_unique<btBvhTriangleMeshShape>(mesh.get(), true);
    meshes.push_back(std::move(mesh));
    addStatic(std::move(shape), btTransform::getIdentity());
  }

  // Returns the index of the body; its model origin is tracked through the centroid offset.
  size_t addDynamic(const std::string& file, const LevelEntry& e) {
    const Hull hull = reducedHull(model(file).allPoints());
    auto shape = std::make_unique<btConvexHullShape>();
    for (const auto& p : hull.points) shape->addPoint(btVector3(p.x - hull.centroid.x, p.y - hull.centroid.y, p.z - hull.centroid.z));
    shape->setMargin(0.01f);
    const float mass = 0.5f * hull.volume;
    btVector3 inertia;
    shape->calculateLocalInertia(mass, inertia);
    const glm::mat4 start = placement(e) * glm::translate(glm::mat4(1.0f), hull.centroid);
    btTransform t;
    t.setFromOpenGLMatrix(&start[0][0]);
    auto body = std::make_unique<btRigidBody>(mass, nullptr, shape.get(), inertia);
    body->setWorldTransform(t);
    configure(*body);
    shapes.push_back(std::move(shape));
    offsets.push_back(hull.centroid);
    dynamics.push_back(body.get());
    bodies.push_back(std::move(body));
    world.addRigidBody(dynamics.back());
    return dynamics.size() - 1;
  }

  void run(float seconds) {
    for (int i = 0; i < static_cast<int>(seconds * 60); ++i) world.stepSimulation(1.0f / 60.0f, 8, 1.0f / 240.0f);
  }

  glm::vec3 origin(size_t i) const {
    const btTransform& t = dynamics[i]->getWorldTransform();
    const glm::vec3 o = -offsets[i];
    btVector3 w = t * btVector3(o.x, o.y, o.z);
    return {w.x(), w.y(), w.z()};
  }
  float tiltDegrees(size_t i) const {
    btVector3 up = dynamics[i]->getWorldTransform().getBasis() * btVector3(0, 1, 0);
    return glm::degrees(std::acos(std::clamp(static_cast<float>(up.y()), -1.0f, 1.0f)));
  }

 private:
  void addStatic(std::unique_ptr<btCollisionShape> shape, const btTransform& t) {
    auto body = std::make_unique<btRigidBody>(0.0f, nullptr, shape.get());
    body->setWorldTransform(t);
    configure(*body);
    world.addRigidBody(body.get());
    shapes.push_back(std::move(shape));
    bodies.push_back(std::move(body));
  }
  static void configure(btRigidBody& body) {
    body.setFriction(0.5f);
    body.setRestitution(0.5f);
    body.setActivationState(DISABLE_DEACTIVATION);
  }

  btDefaultCollisionConfiguration config;
  btCollisionDispatcher dispatcher;
  btDbvtBroadphase broadphase;
  btSequentialImpulseConstraintSolver solver;
  btDiscreteDynamicsWorld world;
  std::vector<std::unique_ptr<btTriangleMesh>> meshes;
  std::vector<std::unique_ptr<btCollisionShape>> shapes;
  std::vector<std::unique_ptr<btRigidBody>> bodies;
  std::vector<btRigidBody*> dynamics;
  std::vector<glm::vec3> offsets;
};

// Where a dynamic row should come to rest: where it is placed, except the date-night board, which
// the layout drops onto the couch seat.
glm::vec3 restingPlace(const LevelEntry& e) {
  if (std::string(e.name) == "c_ap5_datenight") return e.position - glm::vec3(0.0f, 1.0f, 0.0f);
  return e.position;
}

void expectBodiesSettleInPlace(bool censored) {
  SettleWorld world;
  std::vector<std::pair<const LevelEntry*, size_t>> placed;
  for (const LevelEntry& e : levelLayout()) {
    const bool censorable = vorn::scene::isCensorable(e.name);
    if (e.kind == 0 && !(censored && censorable)) world.addStaticRow(e);
    // Loose posters and a loose television on a wall fall by design; they are not resting props.
    const bool wallMounted = std::string(e.name).find("poster") != std::string::npos || std::string(e.name) == "c_ap6_tv";
    if (censored && censorable && !wallMounted) {
      std::string file = e.modelFile;
      placed.push_back({&e, world.addDynamic(file.substr(0, file.size() - 4) + "_censored.obj", e)});
    } else if (e.kind == 1) {
      placed.push_back({&e, world.addDynamic(e.modelFile, e)});
    }
  }
  world.run(4.0f);
  for (const auto& [e, index] : placed) {
    SCOPED_TRACE(e->name);
    const glm::vec3 expected = restingPlace(*e), actual = world.origin(index);
    EXPECT_LT(glm::length(glm::vec2(actual.x - expected.x, actual.z - expected.z)), 0.3f);
    EXPECT_NEAR(actual.y, expected.y, 0.12f);
    EXPECT_LT(world.tiltDegrees(index), 12.0f);
  }
}

TEST(Settling, DynamicBodiesRestWhereTheLevelPutsThem) { expectBodiesSettleInPlace(false); }

TEST(Settling, CensoredReplacementsRestWhereTheOriginalsStood) { expectBodiesSettleInPlace(true); }

}  // namespace
