// Model import: small OBJ/MTL files written here become GPU streams, sub-meshes, materials,
// textures, bounds and collision actors; the mesh object draws them and gives them back once.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <btBulletDynamicsCommon.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>
#include <gtest/gtest.h>

#include "physics/Physics.h"
#include "scene/MeshObject.h"
#include "support/ModelTest.h"

namespace vorn {

// Found by argument lookup, for the sub-mesh comparisons below.
bool operator==(const SubMesh& a, const SubMesh& b) {
  return a.numIndices == b.numIndices && a.baseVertex == b.baseVertex &&
         a.baseIndex == b.baseIndex && a.materialIndex == b.materialIndex;
}
std::ostream& operator<<(std::ostream& out, const SubMesh& s) {
  return out << "{" << s.numIndices << ", " << s.baseVertex << ", " << s.baseIndex << ", "
             << s.materialIndex << "}";
}

namespace {

namespace fs = std::filesystem;
using scene::MeshObject;

// OBJ text with running vertex numbers, so that solids can be appended one after another.
class ObjText {
 public:
  std::string text;

  ObjText& line(const std::string& l) {
    text += l + "\n";
    return *this;
  }

  // A polygon over new vertices; with uv, each corner gets a texture coordinate (0/1 square).
  ObjText& polygon(const std::vector<glm::vec3>& corners, bool withUv = false) {
    static const glm::vec2 square[] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    std::string face = "f";
    for (std::size_t i = 0; i < corners.size(); ++i) {
      vertex(corners[i]);
      if (withUv) {
        const glm::vec2& uv = square[i % 4];
        line("vt " + std::to_string(uv.x) + " " + std::to_string(uv.y));
        ++uvs;
        face += " " + std::to_string(vertices) + "/" + std::to_string(uvs);
      } else {
        face += " " + std::to_string(vertices);
      }
    }
    return line(face);
  }

  // A closed box (six outward quads sharing eight vertices).
  ObjText& box(const glm::vec3& lo, const glm::vec3& hi) {
    const int first = vertices + 1;
    for (int i = 0; i < 8; ++i)
      vertex({i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z});
    static const int faces[6][4] = {{0, 2, 3, 1}, {4, 5, 7, 6}, {0, 1, 5, 4},
                                    {2, 6, 7, 3}, {0, 4, 6, 2}, {1, 3, 7, 5}};
    for (const auto& f : faces) {
      std::string face = "f";
      for (int c : f) face += " " + std::to_string(first + c);
      line(face);
    }
    return *this;
  }

 private:
  void vertex(const glm::vec3& p) {
    line("v " + std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z));
    ++vertices;
  }
  int vertices = 0;
  int uvs = 0;
};

class AssetsImport : public test::ModelTest {
 protected:
  AssetsImport() : ModelTest("import") {}

  // A solid-colour image of the given size (its size tells which file a texture came from).
  std::string writeImage(const std::string& name, int size, RGBQUAD colour = {0, 0, 0, 255},
                         FREE_IMAGE_FORMAT format = FIF_PNG) const {
    const fs::path path = scratch.path / name;
    fs::create_directories(path.parent_path());
    FIBITMAP* image = FreeImage_Allocate(size, size, 24);
    FreeImage_FillBackground(image, &colour, 0);
    EXPECT_TRUE(FreeImage_Save(format, image, path.string().c_str(), 0));
    FreeImage_Unload(image);
    return path.string();
  }
};

TEST_F(AssetsImport, EveryMeshGetsASubMeshWithRunningBasesAndAnActor) {
  write("three.mtl", "newmtl red\nKd 1 0 0\nnewmtl green\nKd 0 1 0\n");
  ObjText obj;
  obj.line("mtllib three.mtl");
  obj.line("o tri").line("usemtl red").polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  obj.line("o quad").line("usemtl green").polygon({{0, 0, 1}, {1, 0, 1}, {1, 1, 1}, {0, 1, 1}});
  obj.line("o cube").line("usemtl red").box({-1, -2, -3}, {4, 5, 6});
  MeshObject object("three", write("three.obj", obj.text), 0);
  const std::size_t actorsBefore = physics.getScene()->actorCount();
  ASSERT_TRUE(load(object));

  // The importer gives every face corner its own vertex: 3, 4 and 24 vertices.
  ASSERT_EQ(object.subMeshes.size(), 3u);
  EXPECT_EQ(object.subMeshes[0], (SubMesh{3, 0, 0, 1}));
  EXPECT_EQ(object.subMeshes[1], (SubMesh{6, 3, 3, 2}));
  EXPECT_EQ(object.subMeshes[2], (SubMesh{36, 7, 9, 1}));
  EXPECT_EQ(object.diffuseTextures.size(), 3u);
  EXPECT_EQ(object.normalTextures.size(), 3u);

  ASSERT_EQ(object.actors.size(), 3u);
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 3);
  for (Actor* actor : object.actors) {
    EXPECT_EQ(actor->getName(), "three");
    EXPECT_EQ(actor->userData, &object);
    EXPECT_FALSE(actor->isDynamic());
  }

  // Indices stay mesh-local; the draw adds the base vertex.
  const std::vector<uint32_t> indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
  ASSERT_EQ(indices.size(), 45u);
  EXPECT_EQ(std::vector<uint32_t>(indices.begin(), indices.begin() + 3),
            (std::vector<uint32_t>{0, 1, 2}));
  EXPECT_EQ(*std::max_element(indices.begin() + 3, indices.begin() + 9), 3u);
  EXPECT_EQ(*std::max_element(indices.begin() + 9, indices.end()), 23u);
  EXPECT_EQ(readStream<glm::vec3>(object, MeshObject::kPositionBuffer).size(), 31u);

  EXPECT_FALSE(object.boundsEmpty);
  const float expectedBounds[6] = {-1, 4, -2, 5, -3, 6};
  for (int i = 0; i < 6; ++i) EXPECT_FLOAT_EQ(object.bounds[i], expectedBounds[i]) << i;
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(AssetsImport, VertexArrayDescribesTheFourStreamsAtTheirLocations) {
  MeshObject object("quad", write("quad.obj", ObjText().polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0},
                                                                 {0, 1, 0}}, true).text), 2);
  ASSERT_TRUE(load(object));
  ASSERT_NE(object.vao, 0u);
  glBindVertexArray(object.vao);
  struct Stream {
    GLuint location;
    int buffer;
    GLint components;
  };
  for (const Stream& s : {Stream{0, 1, 3}, Stream{1, 3, 2}, Stream{2, 2, 3}, Stream{3, 6, 3}}) {
    SCOPED_TRACE(s.location);
    GLint enabled = 0, buffer = 0, size = 0, type = 0, stride = -1, normalised = -1;
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_ENABLED, &enabled);
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_BUFFER_BINDING, &buffer);
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_SIZE, &size);
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_TYPE, &type);
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_STRIDE, &stride);
    glGetVertexAttribiv(s.location, GL_VERTEX_ATTRIB_ARRAY_NORMALIZED, &normalised);
    EXPECT_EQ(enabled, GL_TRUE);
    EXPECT_EQ(static_cast<GLuint>(buffer), object.buffers[s.buffer]);
    EXPECT_EQ(size, s.components);
    EXPECT_EQ(type, GL_FLOAT);
    EXPECT_EQ(stride, 0);
    EXPECT_EQ(normalised, GL_FALSE);
  }
  GLint elements = 0;
  glGetIntegerv(GL_ELEMENT_ARRAY_BUFFER_BINDING, &elements);
  EXPECT_EQ(static_cast<GLuint>(elements), object.buffers[MeshObject::kIndexBuffer]);
  glBindVertexArray(0);

  GLint bound = -1;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &bound);
  EXPECT_EQ(bound, 0) << "the load leaves no vertex array bound";
  EXPECT_TRUE(object.actors.empty()) << "kind 2 has no body";
}

TEST_F(AssetsImport, MissingUvAndTangentsGetTheirDefaults) {
  ObjText obj;
  obj.line("o plain").polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  obj.line("o mapped").polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true);
  MeshObject object("uv", write("uv.obj", obj.text), 2);
  ASSERT_TRUE(load(object));
  const auto uvs = readStream<glm::vec2>(object, MeshObject::kTexCoordBuffer);
  const auto tangents = readStream<glm::vec3>(object, MeshObject::kTangentBuffer);
  const auto normals = readStream<glm::vec3>(object, MeshObject::kNormalBuffer);
  ASSERT_EQ(uvs.size(), 7u);
  ASSERT_EQ(tangents.size(), 7u);
  ASSERT_EQ(normals.size(), 7u);
  for (int i = 0; i < 3; ++i) {
    EXPECT_EQ(uvs[i], glm::vec2(0, 0));
    EXPECT_EQ(tangents[i], glm::vec3(1, 1, 1));
  }
  // The mapped quad keeps its coordinates and gets real tangents along +x.
  EXPECT_EQ(uvs[3 + 2], glm::vec2(1, 1));
  for (int i = 3; i < 7; ++i) {
    EXPECT_NEAR(tangents[i].x, 1.0f, 1e-4f);
    EXPECT_NEAR(tangents[i].y, 0.0f, 1e-4f);
    EXPECT_NEAR(normals[i].z, 1.0f, 1e-4f) << "smooth normals are generated";
  }
}

TEST_F(AssetsImport, CoefficientsAndOpacityComeFromMaterialOne) {
  write("lit.mtl",
        "newmtl first\nKa 0.3 0.9 0.9\nKd 0.6 0.1 0.1\nKs 0.2 0.5 0.5\nNs 40\nd 0.5\n"
        "newmtl second\nKa 0.9 0 0\nKd 0.9 0 0\nKs 0.9 0 0\nNs 400\nd 0.25\n");
  ObjText obj;
  obj.line("mtllib lit.mtl").line("usemtl second").polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  MeshObject object("lit", write("lit.obj", obj.text), 2);
  ASSERT_TRUE(load(object));
  const scene::MaterialFactors factors = object.getMaterial();
  EXPECT_FLOAT_EQ(factors.ambient, 0.3f);
  EXPECT_FLOAT_EQ(factors.diffuse, 0.6f);
  EXPECT_FLOAT_EQ(factors.specular, 0.2f);
  EXPECT_FLOAT_EQ(factors.shininess, 10.0f);
  EXPECT_FLOAT_EQ(object.getOpacity(), 0.5f);

  write("dull.mtl", "newmtl dull\nKd 1 1 1\nNs 2\n");
  MeshObject dull("dull", write("dull.obj", "mtllib dull.mtl\nusemtl dull\n" +
                                                ObjText().polygon({{0, 0, 0}, {1, 0, 0},
                                                                   {0, 1, 0}}).text), 2);
  ASSERT_TRUE(load(dull));
  EXPECT_FLOAT_EQ(dull.shininess, 1.0f);

  // Only the importer's default material: nothing is taken over.
  MeshObject bare("bare", write("bare.obj", ObjText().polygon({{0, 0, 0}, {1, 0, 0},
                                                               {0, 1, 0}}).text), 2);
  ASSERT_TRUE(load(bare));
  EXPECT_EQ(bare.diffuseTextures.size(), 1u);
  EXPECT_EQ(bare.ambient, 0.0f);
  EXPECT_EQ(bare.diffuse, 0.0f);
  EXPECT_EQ(bare.specular, 0.0f);
  EXPECT_EQ(bare.shininess, 0.0f);
  EXPECT_EQ(bare.opacity, 1.0f);
}

TEST(AssetsTexturePaths, AreRelativeToTheModelsDirectory) {
  EXPECT_EQ(modelTexturePath("Resources/a/b.obj", "./x.png"), "Resources/a/./x.png");
  EXPECT_EQ(modelTexturePath("Resources/a/b.obj", ".\\x.png"), "Resources/a/x.png");
  EXPECT_EQ(modelTexturePath("Resources/a/b.obj", "x\\.\\y.png"), "Resources/a/x\\.\\y.png");
  EXPECT_EQ(modelTexturePath("b.obj", "Textures/normal.jpg"), "./Textures/normal.jpg");
  EXPECT_EQ(modelTexturePath("/b.obj", "Textures/normal.jpg"), "//Textures/normal.jpg");
  EXPECT_EQ(modelTexturePath("./b.obj", "."), "./.");
}

TEST_F(AssetsImport, MaterialsFindTheirMapsAndTheDefaultNormalMap) {
  writeImage("a/diffuse.png", 2);
  writeImage("a/bump.png", 4);
  writeImage("a/Textures/normal.jpg", 8, {128, 128, 255, 255}, FIF_JPEG);
  write("a/b.mtl",
        "newmtl tex\nKd 1 1 1\nmap_Kd .\\diffuse.png\nmap_bump ./bump.png\n"
        "newmtl plain\nKd 1 1 1\n");
  ObjText obj;
  obj.line("mtllib b.mtl").line("usemtl tex").polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}}, true);
  obj.line("usemtl plain").polygon({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, true);
  MeshObject object("b", write("a/b.obj", obj.text), 2);
  ASSERT_TRUE(load(object));
  ASSERT_EQ(object.diffuseTextures.size(), 3u);
  EXPECT_EQ(textureWidth(object.diffuseTextures[0].get()), -1) << "default material: no map";
  EXPECT_EQ(textureWidth(object.diffuseTextures[1].get()), 2);
  EXPECT_EQ(textureWidth(object.diffuseTextures[2].get()), -1);
  EXPECT_EQ(textureWidth(object.normalTextures[0].get()), 8);
  EXPECT_EQ(textureWidth(object.normalTextures[1].get()), 4);
  EXPECT_EQ(textureWidth(object.normalTextures[2].get()), 8);
}

TEST_F(AssetsImport, MissingTextureFilesStillLoadTheModel) {
  write("gone.mtl", "newmtl gone\nmap_Kd nowhere.png\n");
  MeshObject object("gone", write("gone.obj", "mtllib gone.mtl\nusemtl gone\n" +
                                                  ObjText().polygon({{0, 0, 0}, {1, 0, 0},
                                                                     {0, 1, 0}}, true).text), 2);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(load(object));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
  EXPECT_EQ(textureWidth(object.diffuseTextures[1].get()), 0);
  EXPECT_EQ(textureWidth(object.normalTextures[1].get()), 0);
}

// One file loaded at two scales, as the thrown boxes are: each scale has a hull of its own.
TEST_F(AssetsImport, ScaleReachesGpuAndCollisionButNotBoundsOrCorners) {
  const std::string path = write("box.obj", ObjText().box({-1, 0, -2}, {1, 3, 2}).text);
  scene::AssetCache assets;
  MeshObject unit("unit", path, 1);
  MeshObject doubled("doubled", path, 1);
  ASSERT_TRUE(load(unit, assets, 1.0f));
  ASSERT_TRUE(load(doubled, assets, 2.0f));

  glm::vec3 lo(1e9f), hi(-1e9f);
  for (const glm::vec3& p : readStream<glm::vec3>(doubled, MeshObject::kPositionBuffer)) {
    lo = glm::min(lo, p);
    hi = glm::max(hi, p);
  }
  EXPECT_EQ(lo, glm::vec3(-2, 0, -4));
  EXPECT_EQ(hi, glm::vec3(2, 6, 4));

  // Mass is density 0.5 times the hull's volume: 24 at file size, eight times that doubled.
  ASSERT_EQ(unit.actors.size(), 1u);
  ASSERT_EQ(doubled.actors.size(), 1u);
  EXPECT_NEAR(unit.actors[0]->getMass(), 12.0f, 0.12f);
  EXPECT_NEAR(doubled.actors[0]->getMass(), 96.0f, 0.96f);

  const float expectedBounds[6] = {-1, 1, 0, 3, -2, 2};
  for (int i = 0; i < 6; ++i) EXPECT_EQ(doubled.bounds[i], expectedBounds[i]) << i;
  const std::vector<glm::vec4> expectedCorners = {
      {-1, 0, -2, 1}, {1, 0, -2, 1}, {-1, 3, -2, 1}, {-1, 0, 2, 1},
      {-1, 3, 2, 1},  {1, 0, 2, 1},  {1, 3, -2, 1},  {1, 3, 2, 1}};
  EXPECT_EQ(doubled.corners, expectedCorners);
  EXPECT_EQ(unit.corners, expectedCorners);
}

TEST_F(AssetsImport, DynamicModelWithTwoMeshesSaysSoAndLoadsBoth) {
  ObjText obj;
  obj.line("o first").box({0, 0, 0}, {1, 1, 1});
  obj.line("o second").box({2, 0, 0}, {3, 1, 1});
  const std::string path = write("pair.obj", obj.text);
  MeshObject object("c_pair", path, 1);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(load(object));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), path + " contains more than 1 object (2)\n");
  ASSERT_EQ(object.actors.size(), 2u);
  for (Actor* actor : object.actors) {
    EXPECT_TRUE(actor->isDynamic());
    EXPECT_EQ(actor->userData, &object);
  }

  MeshObject single("single", write("single.obj", ObjText().box({0, 0, 0}, {1, 1, 1}).text), 1);
  testing::internal::CaptureStdout();
  ASSERT_TRUE(load(single));
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "");
}

TEST_F(AssetsImport, DegenerateFacesKeepThreeIndicesEach) {
  // The importer turns the collapsed triangle into a line; it must not be read as a triangle.
  ObjText obj;
  obj.polygon({{0, 0, 0}, {1, 0, 0}, {0, 1, 0}});
  obj.polygon({{0, 0, 1}, {0, 0, 1}, {1, 0, 1}});
  MeshObject object("flat", write("flat.obj", obj.text), 0);
  ASSERT_TRUE(load(object));
  ASSERT_EQ(object.subMeshes.size(), 1u);
  EXPECT_EQ(object.subMeshes[0].numIndices, 6u);
  const auto indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
  ASSERT_EQ(indices.size(), 6u);
  for (uint32_t index : indices) EXPECT_LT(index, 6u);
}

TEST_F(AssetsImport, LinesComeWithoutNormalsAndStillLoadForDrawing) {
  MeshObject object("wire", write("wire.obj", "v 0 0 0\nv 1 0 0\nv 1 1 0\nl 1 2 3\n"), 2);
  ASSERT_TRUE(load(object));
  ASSERT_EQ(object.subMeshes.size(), 1u);
  for (const glm::vec3& n : readStream<glm::vec3>(object, MeshObject::kNormalBuffer))
    EXPECT_EQ(n, glm::vec3(0));
  for (uint32_t index : readStream<uint32_t>(object, MeshObject::kIndexBuffer))
    EXPECT_LT(index, 4u);
  object.draw(true, 1);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

// Each object that asks for a file that gives no model says so, though the file is read once: a
// model written under its name afterwards reaches neither.
TEST_F(AssetsImport, UnreadableModelIsReportedForEachObjectAndLeavesThemEmpty) {
  for (const std::string& path : {file("missing.obj"), write("empty.obj", "")}) {
    SCOPED_TRACE(path);
    scene::AssetCache assets;
    for (const char* name : {"first", "second"}) {
      MeshObject object(name, path, 0);
      testing::internal::CaptureStdout();
      EXPECT_FALSE(load(object, assets));
      const std::string out = testing::internal::GetCapturedStdout();
      const std::string prefix = "Error parsing '" + path + "': '";
      EXPECT_EQ(out.rfind(prefix, 0), 0u) << out;
      EXPECT_GT(out.size(), prefix.size() + 2) << "the importer's reason is given";
      EXPECT_EQ(out.substr(out.size() - 2), "'\n");
      EXPECT_EQ(std::count(out.begin(), out.end(), '\n'), 1);

      EXPECT_TRUE(object.actors.empty());
      EXPECT_TRUE(object.subMeshes.empty());
      EXPECT_FALSE(object.hasPose());
      object.draw(true, 1);  // draws nothing
      EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
      write(fs::path(path).filename().string(), ObjText().box({0, 0, 0}, {1, 1, 1}).text);
    }
  }
}

// Two objects of one model: the file, its image and its collision shapes are read and built once,
// while each object has GL objects of its own and gives back exactly its own, once.
TEST_F(AssetsImport, ObjectsOfOneModelShareWhatWasReadAndReleaseOnlyTheirOwn) {
  write("rel.mtl", "newmtl red\nmap_Kd red.png\n");
  writeImage("red.png", 2);
  ObjText obj;
  obj.line("mtllib rel.mtl").line("o a").line("usemtl red").box({0, 0, 0}, {1, 1, 1});
  obj.line("o b").box({2, 0, 0}, {3, 1, 1});
  const std::string path = write("rel.obj", obj.text);
  scene::AssetCache assets;
  auto first = std::make_unique<MeshObject>("first", path, 0);
  auto second = std::make_unique<MeshObject>("second", path, 0);
  const std::size_t actorsBefore = physics.getScene()->actorCount();
  ASSERT_TRUE(load(*first, assets));
  writeImage("red.png", 4);  // a second read would see these
  write("rel.obj", ObjText().box({0, 0, 0}, {1, 1, 1}).text);
  ASSERT_TRUE(load(*second, assets));
  ASSERT_EQ(second->actors.size(), 2u);
  EXPECT_EQ(textureWidth(second->diffuseTextures[1].get()), 2);
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 4);
  for (std::size_t mesh = 0; mesh < 2; ++mesh)
    EXPECT_EQ(first->actors[mesh]->getBody()->getCollisionShape(),
              second->actors[mesh]->getBody()->getCollisionShape());

  struct Names {
    GLuint vao;
    std::vector<GLuint> buffers;
    std::vector<GLuint> textures;
  };
  // The two spare buffer names are never bound, so they never become buffers GL knows of.
  auto namesOf = [](const MeshObject& object) {
    Names names{object.vao, {}, {}};
    for (uint32_t slot : {MeshObject::kIndexBuffer, MeshObject::kPositionBuffer,
                          MeshObject::kNormalBuffer, MeshObject::kTexCoordBuffer,
                          MeshObject::kTangentBuffer})
      names.buffers.push_back(object.buffers[slot]);
    for (const auto& t : object.diffuseTextures)
      if (t) names.textures.push_back(t->name);
    for (const auto& t : object.normalTextures) names.textures.push_back(t->name);
    return names;
  };
  auto expectAlive = [](const Names& names, bool alive) {
    EXPECT_EQ(glIsVertexArray(names.vao), alive);
    for (GLuint b : names.buffers) EXPECT_EQ(glIsBuffer(b), alive) << b;
    for (GLuint t : names.textures) EXPECT_EQ(glIsTexture(t), alive) << t;
  };
  const Names firstNames = namesOf(*first), secondNames = namesOf(*second);
  ASSERT_EQ(firstNames.textures.size(), 3u);
  std::vector<GLuint> all = firstNames.buffers;
  all.insert(all.end(), secondNames.buffers.begin(), secondNames.buffers.end());
  std::sort(all.begin(), all.end());
  EXPECT_EQ(std::unique(all.begin(), all.end()), all.end()) << "no buffer name is shared";
  EXPECT_NE(firstNames.vao, secondNames.vao);
  EXPECT_NE(firstNames.textures, secondNames.textures);

  first->releaseResources();
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 2);
  EXPECT_TRUE(first->actors.empty());
  EXPECT_TRUE(first->subMeshes.empty());
  EXPECT_EQ(first->vao, 0u);
  for (GLuint b : first->buffers) EXPECT_EQ(b, 0u);
  expectAlive(firstNames, false);
  expectAlive(secondNames, true);
  first->draw(true, 1);
  second->draw(true, 1);

  // Names freed above may be handed out again; a second release or the destructor must not
  // delete what now belongs to someone else.
  first->releaseResources();
  std::vector<GLuint> reused(7);
  glGenBuffers(7, reused.data());
  for (GLuint b : reused) glBindBuffer(GL_ARRAY_BUFFER, b);
  GLuint texture = 0;
  glGenTextures(1, &texture);
  glBindTexture(GL_TEXTURE_2D, texture);
  first.reset();
  for (GLuint b : reused) EXPECT_TRUE(glIsBuffer(b)) << b;
  EXPECT_TRUE(glIsTexture(texture));
  expectAlive(secondNames, true);
  second.reset();
  expectAlive(secondNames, false);
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore);
  glDeleteBuffers(7, reused.data());
  glDeleteTextures(1, &texture);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(AssetsImport, LoadingAgainReplacesTheFirstLoad) {
  const std::string path = write("again.obj", ObjText().box({0, 0, 0}, {1, 2, 3}).text);
  MeshObject object("again", path, 0);
  const std::size_t actorsBefore = physics.getScene()->actorCount();
  ASSERT_TRUE(load(object));
  ASSERT_TRUE(load(object));
  EXPECT_EQ(object.actors.size(), 1u);
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 1);
  EXPECT_EQ(object.subMeshes.size(), 1u);
  EXPECT_EQ(object.bounds[3], 2.0f);
}

// Draws with a minimal program that samples unit 0, so the picture shows which texture each
// sub-mesh was drawn with.
TEST_F(AssetsImport, DrawIssuesOneCallPerSubMeshWithItsMaterialsTextures) {
  writeImage("red.png", 2, {0, 0, 255, 255});
  writeImage("green.png", 2, {0, 255, 0, 255});
  write("draw.mtl", "newmtl red\nmap_Kd red.png\nnewmtl green\nmap_Kd green.png\nnewmtl none\n");
  ObjText obj;
  obj.line("mtllib draw.mtl");
  obj.line("o left").line("usemtl red").polygon({{-1, -1, 0}, {0, -1, 0}, {0, 0, 0}, {-1, 0, 0}}, true);
  obj.line("o right").line("usemtl green").polygon({{0, -1, 0}, {1, -1, 0}, {1, 0, 0}, {0, 0, 0}}, true);
  // No diffuse map: drawn with whatever unit 0 holds, here the green of the sub-mesh before.
  obj.line("o top").line("usemtl none").polygon({{-1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 1, 0}}, true);
  MeshObject object("draw", write("draw.obj", obj.text), 2);
  ASSERT_TRUE(load(object));

  const char* vertexSource = R"(#version 430 core
layout(location = 0) in vec3 position;
layout(location = 1) in vec2 uv;
out vec2 texCoord;
void main() { texCoord = uv; gl_Position = vec4(position, 1.0); })";
  const char* fragmentSource = R"(#version 430 core
uniform sampler2D diffuseMap;
in vec2 texCoord;
out vec4 colour;
void main() { colour = texture(diffuseMap, texCoord); })";
  const GLuint program = glCreateProgram();
  const std::pair<GLenum, const char*> stages[] = {{GL_VERTEX_SHADER, vertexSource},
                                                    {GL_FRAGMENT_SHADER, fragmentSource}};
  for (auto [type, source] : stages) {
    const GLuint shader = glCreateShader(type);
    glShaderSource(shader, 1, &source, nullptr);
    glCompileShader(shader);
    glAttachShader(program, shader);
    glDeleteShader(shader);
  }
  glLinkProgram(program);
  GLint linked = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &linked);
  ASSERT_EQ(linked, GL_TRUE);
  glUseProgram(program);

  glViewport(0, 0, 64, 64);
  glClearColor(0, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  object.draw(false, -1);
  glFinish();

  const test::Rgba left = test::readPixel(16, 16), right = test::readPixel(48, 16),
                   top = test::readPixel(32, 48);
  EXPECT_EQ(std::vector<int>({left.r, left.g, left.b}), std::vector<int>({255, 0, 0}));
  EXPECT_EQ(std::vector<int>({right.r, right.g, right.b}), std::vector<int>({0, 255, 0}));
  EXPECT_EQ(std::vector<int>({top.r, top.g, top.b}), std::vector<int>({0, 255, 0}));

  GLint vao = -1, unit3 = 0;
  glGetIntegerv(GL_VERTEX_ARRAY_BINDING, &vao);
  EXPECT_EQ(vao, 0);
  glActiveTexture(GL_TEXTURE3);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit3);
  EXPECT_EQ(static_cast<GLuint>(unit3), object.normalTextures[3]->name);
  glActiveTexture(GL_TEXTURE0);
  glUseProgram(0);
  glDeleteProgram(program);
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST(AssetsImportDeathTest, DynamicMeshTooSmallForAHullEndsTheProgram) {
  // The file's place must not depend on the process: the check runs again in a child process.
  const fs::path path = fs::temp_directory_path() / "blotwise_import_line.obj";
  std::ofstream(path) << "v 0 0 0\nv 1 0 0\nl 1 2\n";
  test::GlContext context;
  Physics physics;
  scene::AssetCache assets;
  MeshObject object("c_line", path.string(), 1);
  EXPECT_EXIT(object.loadModel(assets, physics.createMaterial(0.5f, 0.5f, 0.5f),
                               physics.getCooking(), physics.getScene(), 1, 1, 1),
              testing::ExitedWithCode(1), "ERROR: MeshDESC not valid @.*blotwise_import_line\\.obj");
  fs::remove(path);
}

}  // namespace
}  // namespace vorn
