// Model and image files written here: an import gives GPU streams, sub-meshes, materials,
// textures, bounds and collision actors; damaged files are reported or load safely; images of the
// trusted formats become textures with their mip chain, the others empty ones, silently.
#include <malloc.h>
#include <sys/stat.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include "assets/Image.h"
#include "assets/Texture.h"
#include "physics/Physics.h"
#include "render/ShaderProgram.h"
#include "scene/MeshObject.h"
#include "support/ModelTest.h"

namespace vorn {
namespace {

using scene::MeshObject;

// OBJ text with running vertex numbers, so that solids can be appended one after another.
struct ObjText {
  std::string text;
  int vertices = 0;

  ObjText& line(const std::string& l) {
    text += l + "\n";
    return *this;
  }
  // A polygon over new vertices, each with a texture coordinate of the same number (the corners
  // of the unit square in turn), which the face uses only if asked to.
  ObjText& polygon(const std::vector<glm::vec3>& corners, bool withUv = false) {
    std::string face = "f";
    for (std::size_t i = 0; i < corners.size(); ++i) {
      const glm::vec3& p = corners[i];
      line("v " + std::to_string(p.x) + " " + std::to_string(p.y) + " " + std::to_string(p.z));
      line("vt " + std::to_string(i == 1 || i == 2) + " " + std::to_string(i >= 2));
      const std::string number = std::to_string(++vertices);
      face += " " + number + (withUv ? "/" + number : "");
    }
    return line(face);
  }
  // A closed box of six outward quads.
  ObjText& box(const glm::vec3& lo, const glm::vec3& hi) {
    auto at = [&](int i) {
      return glm::vec3(i & 1 ? hi.x : lo.x, i & 2 ? hi.y : lo.y, i & 4 ? hi.z : lo.z);
    };
    for (const auto& f : {std::vector<int>{0, 2, 3, 1},
                          {4, 5, 7, 6},
                          {0, 1, 5, 4},
                          {2, 6, 7, 3},
                          {0, 4, 6, 2},
                          {1, 3, 7, 5}})
      polygon({at(f[0]), at(f[1]), at(f[2]), at(f[3])});
    return *this;
  }
};

const std::vector<glm::vec3> kTriangle = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};

using AssetsImport = test::ModelTest;

TEST_F(AssetsImport, StreamsAFileLacksGetTheirDefaults) {
  ObjText obj;
  obj.line("o plain").polygon(kTriangle);
  obj.line("o mapped").polygon({{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}}, true);
  obj.line("o wire").line("v 0 0 0").line("v 1 0 0").line("l 8 9");  // lines have no normals
  MeshObject object("streams", scratch.write("streams.obj", obj.text), 2);
  ASSERT_TRUE(load(object));
  const auto uvs = readStream<glm::vec2>(object, MeshObject::kTexCoordBuffer);
  const auto tangents = readStream<glm::vec3>(object, MeshObject::kTangentBuffer);
  const auto normals = readStream<glm::vec3>(object, MeshObject::kNormalBuffer);
  ASSERT_TRUE(uvs.size() == 9 && tangents.size() == 9 && normals.size() == 9);
  for (int i : {0, 1, 2, 7, 8}) {
    EXPECT_EQ(uvs[i], glm::vec2(0, 0)) << i;
    EXPECT_EQ(tangents[i], glm::vec3(1, 1, 1)) << i;
  }
  // The mapped quad keeps its coordinates and gets real tangents along +x and smooth normals.
  EXPECT_EQ(uvs[5], glm::vec2(1, 1));
  for (int i = 3; i < 7; ++i) {
    EXPECT_NEAR(tangents[i].x, 1.0f, 1e-4f);
    EXPECT_NEAR(normals[i].z, 1.0f, 1e-4f);
  }
  EXPECT_EQ(normals[7] + normals[8], glm::vec3(0));
}

// The file's first material lights the object, whichever its faces use; damaged values give
// nothing that would turn it black or blend with negative weights.
TEST_F(AssetsImport, LightingFactorsComeFromTheFirstMaterialAndStayUsable) {
  const std::pair<const char*, std::vector<float>> cases[] = {
      // the library (none: only the importer's own material), then ambient, diffuse, specular,
      // shininess and opacity
      {"newmtl first\nKa 0.3 0.9 0.9\nKd 0.6 0.1 0.1\nKs 0.2 0.5 0.5\nNs 40\nd 0.5\n"
       "newmtl second\nKa 0.9 0 0\nKd 0.9 0 0\nKs 0.9 0 0\nNs 400\nd 0.25\n",
       {0.3f, 0.6f, 0.2f, 10, 0.5f}},
      {"newmtl dull\nKd 1 1 1\nNs 2\n", {0, 1, 0, 1, 1}},
      {"newmtl bad\nKa nan nan nan\nKd inf 0 0\nKs -inf 0 0\nNs nan\nd nan\n", {0, 0, 0, 1, 1}},
      {"newmtl bad\nd 7\n", {0, 0.6f, 0, 1, 1}},  // the importer's diffuse is 0.6 unless set
      {"newmtl bad\nd -3\n", {0, 0.6f, 0, 1, 0}},
      {nullptr, {0, 0, 0, 0, 1}},
  };
  for (const auto& [library, factors] : cases) {
    SCOPED_TRACE(library ? library : "no library");
    std::string text = ObjText().polygon(kTriangle).text;
    if (library) text = "mtllib lit.mtl\nusemtl second\n" + text;
    scratch.write("lit.mtl", library ? library : "");
    MeshObject object("lit", scratch.write("lit.obj", text), 2);
    ASSERT_TRUE(load(object));
    EXPECT_EQ((std::vector<float>{object.ambient, object.diffuse, object.specular, object.shininess,
                                  object.opacity}),
              factors);
  }
}

TEST_F(AssetsImport, MaterialsFindTheirMapsAndTheDefaultNormalMap) {
  writeImage("a/diffuse.png", 2, 2);
  writeImage("a/bump.png", 4, 4);
  writeImage("a/Textures/normal.jpg", 8, 8, {128, 128, 255, 255}, FIF_JPEG);
  scratch.write("a/b.mtl",
                "newmtl tex\nKd 1 1 1\nmap_Kd .\\diffuse.png\nmap_bump ./bump.png\n"
                "newmtl plain\nKd 1 1 1\n");
  ObjText obj;
  obj.line("mtllib b.mtl").line("usemtl tex").polygon(kTriangle, true);
  obj.line("usemtl plain").polygon({{0, 0, 1}, {1, 0, 1}, {0, 1, 1}}, true);
  MeshObject object("b", scratch.write("a/b.obj", obj.text), 2);
  ASSERT_TRUE(load(object));
  ASSERT_EQ(object.diffuseTextures.size(), 3u);  // the importer's default material first
  std::vector<GLint> widths;
  for (int m = 0; m < 3; ++m)
    widths.insert(widths.end(), {textureWidth(object.diffuseTextures[m].get()),
                                 textureWidth(object.normalTextures[m].get())});
  EXPECT_EQ(widths, (std::vector<GLint>{-1, 8, 2, 4, -1, 8}));
}

// One file loaded at two scales, as the thrown boxes are: the scaled load has a hull of its own,
// which the cache does not keep.
TEST_F(AssetsImport, ScaleReachesGpuAndCollisionButNotBoundsOrCorners) {
  const std::string path = scratch.write("box.obj", ObjText().box({-1, 0, -2}, {1, 3, 2}).text);
  scene::AssetCache assets;
  MeshObject unit("unit", path, 1);
  MeshObject doubled("doubled", path, 1);
  const std::size_t actorsBefore = physics.getScene()->actorCount();
  ASSERT_TRUE(load(unit, &assets));
  ASSERT_TRUE(load(unit, &assets));  // a second load replaces the first
  EXPECT_EQ(unit.corners.size(), 8u);
  ASSERT_TRUE(load(doubled, &assets, 2.0f));
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 2);
  EXPECT_EQ(assets.shapes.size(), 1u);

  glm::vec3 lo(1e9f), hi(-1e9f);
  for (const glm::vec3& p : readStream<glm::vec3>(doubled, MeshObject::kPositionBuffer))
    lo = glm::min(lo, p), hi = glm::max(hi, p);
  EXPECT_EQ(lo, glm::vec3(-2, 0, -4));
  EXPECT_EQ(hi, glm::vec3(2, 6, 4));
  // Mass is density 0.5 times the hull's volume: 12 at file size, eight times that doubled.
  ASSERT_EQ(doubled.actors.size(), 1u);
  EXPECT_NEAR(doubled.actors[0]->getMass(), 96.0f, 0.96f);

  EXPECT_EQ(std::vector<float>(doubled.bounds, doubled.bounds + 6),
            (std::vector<float>{-1, 1, 0, 3, -2, 2}));
  const std::vector<glm::vec4> expectedCorners = {{-1, 0, -2, 1}, {1, 0, -2, 1}, {-1, 3, -2, 1},
                                                  {-1, 0, 2, 1},  {-1, 3, 2, 1}, {1, 0, 2, 1},
                                                  {1, 3, -2, 1},  {1, 3, 2, 1}};
  EXPECT_EQ(doubled.corners, expectedCorners);

  // A load from another file widens the bounds of the first rather than replacing them.
  unit.path = scratch.write("wide.obj", ObjText().box({0, -1, 0}, {4, 1, 1}).text);
  ASSERT_TRUE(load(unit, &assets));
  EXPECT_EQ(std::vector<float>(unit.bounds, unit.bounds + 6),
            (std::vector<float>{-1, 4, -1, 3, -2, 2}));
}

// Every mesh gets an actor named after the object and pointing back at it; a loose (kind 1) model
// of more than one mesh says so and loads them all.
TEST_F(AssetsImport, EveryMeshGetsAnActorAndALooseModelOfTwoSaysSo) {
  const ObjText two =
      ObjText().box({0, 0, 0}, {1, 1, 1}).line("o second").box({2, 0, 0}, {3, 1, 1});
  const std::string pair = scratch.write("pair.obj", two.text);
  const std::string single = scratch.write("single.obj", ObjText().box({0, 0, 0}, {1, 1, 1}).text);
  const std::tuple<std::string, int32_t, std::string> cases[] = {
      // path, kind, printed
      {pair, 1, pair + " contains more than 1 object (2)\n"},
      {pair, 0, ""},
      {single, 1, ""}};
  for (const auto& [path, kind, printed] : cases) {
    SCOPED_TRACE(path + " kind " + std::to_string(kind));
    MeshObject object("c_pair", path, kind);
    const std::size_t actorsBefore = physics.getScene()->actorCount();
    testing::internal::CaptureStdout();
    ASSERT_TRUE(load(object));
    EXPECT_EQ(testing::internal::GetCapturedStdout(), printed);
    EXPECT_EQ(object.subMeshes.size(), path == pair ? 2u : 1u);
    EXPECT_EQ(object.actors.size(), object.subMeshes.size());
    EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + object.actors.size());
    for (Actor* actor : object.actors)
      EXPECT_TRUE(actor->isDynamic() == (kind == 1) && actor->getName() == "c_pair" &&
                  actor->userData == &object);
  }
}

// Two objects of one model share its collision shapes, while each has GL objects of its own and
// gives back exactly its own, once.
TEST_F(AssetsImport, ObjectsOfOneModelShareShapesAndReleaseOnlyTheirOwn) {
  scratch.write("rel.mtl", "newmtl red\nmap_Kd red.png\n");
  writeImage("red.png", 2, 2);
  ObjText obj;
  obj.line("mtllib rel.mtl").line("o a").line("usemtl red").box({0, 0, 0}, {1, 1, 1});
  obj.line("o b").box({2, 0, 0}, {3, 1, 1});
  const std::string path = scratch.write("rel.obj", obj.text);
  scene::AssetCache assets;
  auto first = std::make_unique<MeshObject>("first", path, 0);
  auto second = std::make_unique<MeshObject>("second", path, 0);
  const std::size_t actorsBefore = physics.getScene()->actorCount();
  ASSERT_TRUE(load(*first, &assets));
  ASSERT_TRUE(load(*second, &assets));
  for (std::size_t mesh = 0; mesh < 2; ++mesh)
    EXPECT_EQ(first->actors[mesh]->getBody()->getCollisionShape(),
              second->actors[mesh]->getBody()->getCollisionShape());

  // How many of an object's GL objects exist (its buffers go in one call: one stands for all).
  auto aliveOf = [](const MeshObject& object) {
    int alive = glIsVertexArray(object.vao) + glIsBuffer(object.buffers[MeshObject::kIndexBuffer]);
    for (const auto& t : object.diffuseTextures) alive += t && glIsTexture(t->name);
    for (const auto& t : object.normalTextures) alive += glIsTexture(t->name);
    return alive;
  };
  EXPECT_EQ(aliveOf(*first) + aliveOf(*second), 10);

  // The release zeroes the names and drops the textures, so they are noted before.
  std::vector<GLuint> firstNames = {first->vao, first->buffers[MeshObject::kIndexBuffer]};
  for (const auto& t : first->normalTextures) firstNames.push_back(t->name);
  first->releaseResources();
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore + 2);
  EXPECT_FALSE(glIsVertexArray(firstNames[0]));
  EXPECT_FALSE(glIsBuffer(firstNames[1]));
  for (std::size_t i = 2; i < firstNames.size(); ++i) EXPECT_FALSE(glIsTexture(firstNames[i]));
  first->draw(true, 1);

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
  EXPECT_EQ(aliveOf(*second), 5);
  second.reset();
  EXPECT_EQ(physics.getScene()->actorCount(), actorsBefore);
  glDeleteBuffers(7, reused.data());
  glDeleteTextures(1, &texture);
}

// Draws with a minimal program that samples unit 0, so the picture shows which texture each
// sub-mesh was drawn with.
TEST_F(AssetsImport, DrawIssuesOneCallPerSubMeshWithItsMaterialsTextures) {
  writeImage("red.png", 2, 2, {0, 0, 255, 255});
  writeImage("green.png", 2, 2, {0, 255, 0, 255});
  scratch.write("draw.mtl",
                "newmtl red\nmap_Kd red.png\nnewmtl green\nmap_Kd green.png\nnewmtl none\n");
  ObjText obj;
  obj.line("mtllib draw.mtl").line("o left").line("usemtl red");
  obj.polygon({{-1, -1, 0}, {0, -1, 0}, {0, 0, 0}, {-1, 0, 0}}, true);
  obj.line("o right").line("usemtl green");
  obj.polygon({{0, -1, 0}, {1, -1, 0}, {1, 0, 0}, {0, 0, 0}}, true);
  // No diffuse map: drawn with whatever unit 0 holds, here the green of the sub-mesh before.
  obj.line("o top").line("usemtl none");
  obj.polygon({{-1, 0, 0}, {1, 0, 0}, {1, 1, 0}, {-1, 1, 0}}, true);
  MeshObject object("draw", scratch.write("draw.obj", obj.text), 2);
  ASSERT_TRUE(load(object));

  const std::string head = "#version 430 core\nlayout(location = 1) in vec2 uv;\n";
  const ShaderProgram program(
      scratch.write("draw.vert", head + "layout(location = 0) in vec3 p;\nout vec2 t;\n"
                                        "void main() { t = uv; gl_Position = vec4(p, 1); }\n"),
      scratch.write("draw.frag",
                    "#version 430 core\nuniform sampler2D d;\nin vec2 t;\n"
                    "out vec4 c;\nvoid main() { c = texture(d, t); }\n"));
  glUseProgram(program.program);
  glViewport(0, 0, 64, 64);
  glClear(GL_COLOR_BUFFER_BIT);
  object.draw(false, -1);
  glFinish();
  for (const auto& [x, y, green] : {std::tuple{16, 16, false}, {48, 16, true}, {32, 48, true}}) {
    const test::Rgba pixel = test::readPixel(x, y);
    EXPECT_EQ((std::vector<int>{pixel.r, pixel.g, pixel.b}),
              (std::vector<int>{green ? 0 : 255, green ? 255 : 0, 0}))
        << x << "," << y;
  }
  GLint unit3 = 0;  // the normal map goes to unit 3
  glActiveTexture(GL_TEXTURE3);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &unit3);
  EXPECT_EQ(static_cast<GLuint>(unit3), object.normalTextures[3]->name);
  glActiveTexture(GL_TEXTURE0);
}

// Two objects, normals, texture coordinates, two materials, a diffuse map and a bump map.
const std::string kGoodObj =
    "mtllib good.mtl\no first\nv 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nvt 0 0\nvt 1 0\nvt 1 1\n"
    "vn 0 0 1\nusemtl red\nf 1/1/1 2/2/1 3/3/1 4/3/1\no second\nv 0 0 1\nusemtl blue\n"
    "f 1 2 5\nf 2 3 5\n";
const std::string kGoodMtl =
    "newmtl red\nKa 0.2 0 0\nKd 0.8 0 0\nNs 40\nmap_Kd red.png\nnewmtl blue\nmap_bump red.png\n";

class RobustModels : public test::ModelTest {
 protected:
  RobustModels() : ModelTest("robust_models") {
    writeImage("red.png", 37, 29);
    scratch.write("good.mtl", kGoodMtl);
  }

  // Loads the model without a body (which a damaged file may not give). Either it is reported as
  // unparsable with one line and left empty, or it loads into records whose every index lies
  // inside its own mesh and whose every material has its textures. Returns whether it loaded.
  bool loadChecked(const std::string& path) {
    MeshObject object("damaged", path, 2);
    testing::internal::CaptureStdout();
    const bool loaded = load(object);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (loaded) {
      EXPECT_EQ(printed, "");
      EXPECT_FALSE(object.subMeshes.empty());
    } else {
      EXPECT_EQ(printed.rfind("Error parsing '" + path + "': '", 0), 0u) << printed;
      EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
      EXPECT_TRUE(object.subMeshes.empty());
    }
    const auto indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
    const std::size_t vertices = readStream<float>(object, MeshObject::kPositionBuffer).size() / 3;
    for (std::size_t i = 0; i < object.subMeshes.size(); ++i) {
      const SubMesh& sub = object.subMeshes[i];
      const std::size_t end =
          i + 1 < object.subMeshes.size() ? object.subMeshes[i + 1].baseVertex : vertices;
      EXPECT_EQ(sub.numIndices % 3, 0u);
      EXPECT_LE(sub.baseIndex + sub.numIndices, indices.size());
      for (uint32_t k = 0; k < sub.numIndices && sub.baseIndex + k < indices.size(); ++k)
        EXPECT_LT(sub.baseVertex + indices[sub.baseIndex + k], end) << "mesh " << i;
      EXPECT_TRUE(sub.materialIndex < object.normalTextures.size() &&
                  object.normalTextures[sub.materialIndex]);
    }
    object.draw(true, 1);
    return loaded;
  }
};

TEST_F(RobustModels, MalformedAndTruncatedFilesAreReportedOrLoadSafely) {
  const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  const std::string face = triangle + "f 1 2 3\n";
  const std::pair<std::string, bool> cases[] = {
      // the text, and whether it loads
      {"", false},
      {"# nothing\n", false},
      {triangle, true},  // a mesh of points
      {triangle + "f 1 2 99999999\n", false},
      {triangle + "f 0 0 0\n", false},
      {triangle + "f -1 -2 -5\n", false},
      {triangle + "f -1 -2 -3\n", true},
      {face + "v 0 0 1\nv 1 0 1\nf 4 4 5\n", true},  // a collapsed triangle
      {"v 1 2\nv\nf\nf 1\nvt\nvn 1\ng\no\ns off\nusemtl\nmtllib\n", false},
      {"v 1e39 -1e39 0\nv 3e38 0 0\nv 0 1e-45 0\nf 1 2 3\n", true},
      {"v nan 0 0\nv 1 inf 0\nv 0 1 -inf\nf 1 2 3\n", true},
      {triangle + "p 1 2 3\nl 1 2\n", true},
      {"usemtl nothing\n" + face, true},
      // A library or a texture that is a pipe or a directory is no material at all; a map before
      // the first material crashes the importer unless it is skipped.
      {"mtllib pipes.mtl\nusemtl a\n" + face, true},
      {"mtllib early.mtl\n" + face, true},
      {"mtllib pipe.obj\n" + face, true},
      {"mtllib directory.obj\n" + face, true},
  };
  // Opening a pipe without a writer would block for ever.
  ASSERT_EQ(::mkfifo(scratch.file("pipe.obj").c_str(), 0600), 0);
  std::filesystem::create_directories(scratch.file("directory.obj"));
  scratch.write("pipes.mtl", "newmtl a\nmap_Kd pipe.obj\nmap_bump directory.obj\n");
  scratch.write("early.mtl", "map_Kd red.png\n\nnewmtl a\nmap_Kd red.png\n");
  for (const auto& [text, loads] : cases) {
    SCOPED_TRACE(text.substr(0, 40));
    EXPECT_EQ(loadChecked(scratch.write("case.obj", text)), loads);
  }
  EXPECT_FALSE(loadChecked(scratch.file("directory.obj")));
  EXPECT_FALSE(loadChecked(scratch.file("pipe.obj")));

  // Every cut of the model and of its library, as a copy broken off mid-write leaves it.
  for (std::size_t length = 0; length <= kGoodObj.size() && !HasFailure(); length += 3) {
    SCOPED_TRACE("model cut at " + std::to_string(length));
    loadChecked(scratch.write("cut.obj", kGoodObj.substr(0, length)));
  }
  EXPECT_TRUE(loadChecked(scratch.write("whole.obj", kGoodObj)));
  for (std::size_t length = 0; length < kGoodMtl.size() && !HasFailure(); length += 3) {
    SCOPED_TRACE("library cut at " + std::to_string(length));
    scratch.write("good.mtl", kGoodMtl.substr(0, length));
    loadChecked(scratch.file("whole.obj"));
  }
}

// A loose body of absurd size (a damaged model) is refused: touching ordinary bodies, its
// contacts turned every pose involved into NaN. A static body may be as large as it likes.
TEST_F(RobustModels, LooseBodiesOfAbsurdSizeGetNoHull) {
  std::vector<float> wedge = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1e11f, 0, 1};
  const MeshData mesh{wedge.data(), 6, nullptr, 0};
  std::unique_ptr<CookedShape> hull, triangles;
  EXPECT_EQ(Cooking::cookConvexHull(mesh, hull), CookResult::CookingFailed);
  EXPECT_EQ(hull, nullptr);
  ASSERT_EQ(Cooking::cookTriangleMesh(mesh, triangles), CookResult::Ok);
  EXPECT_NE(Cooking::createStaticActor(material, *triangles), nullptr);
  wedge[15] = Cooking::kMaxHullReach;
  ASSERT_EQ(Cooking::cookConvexHull(mesh, hull), CookResult::Ok);
  EXPECT_NE(Cooking::createDynamicActor(material, *hull, 0.5f), nullptr);
}

// Bodies whose geometry gives no hull or no mesh end the program, naming the model.
using RobustModelsDeathTest = RobustModels;
TEST_F(RobustModelsDeathTest, ModelsThatFormNoBodyEndTheProgram) {
  const std::string tetrahedron = "v 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n";
  const std::tuple<std::string, int32_t, const char*> cases[] = {
      // text, kind, message
      {"v 0 0 0\nv 1 0 0\nl 1 2\n", 1, "ERROR: MeshDESC not valid @"},
      {"v 0 0 0\nv 1 1 1\nv 2 2 2\nv 3 3 3\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: Could not cook ConvexMesh @"},
      {"v nan 0 0\n" + tetrahedron, 1, "ERROR: MeshDESC not valid @"},
      {"v 1e39 0 0\n" + tetrahedron, 0, "ERROR: MeshDESC not valid @"},
      {"v 1e11 0 0\n" + tetrahedron, 1, "ERROR: Could not cook ConvexMesh @"},
  };
  for (const auto& [text, kind, message] : cases) {
    MeshObject object("c_broken", scratch.write("broken.obj", text), kind);
    EXPECT_EXIT(load(object), testing::ExitedWithCode(1), message + object.path) << text;
  }
}

using AssetsTexture = AssetsImport;

// A BMP file of a few bytes whose header claims the given size.
std::string bmpHeader(int32_t width, int32_t height) {
  std::string h = "BM";
  auto put = [&h](uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) h += static_cast<char>((value >> (8 * i)) & 0xff);
  };
  put(154, 4), put(0, 4), put(54, 4);                                // file header
  put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);  // info header
  put(0, 4), put(0, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
  return h + std::string(100, '\x10');
}

TEST_F(AssetsTexture, ImageArrivesAsRgba8BottomRowFirstWithItsMipChain) {
  // 4 x 2: the bottom row (FreeImage's scan line 0) red, the top row blue.
  FIBITMAP* rows = FreeImage_Allocate(4, 2, 24);
  RGBQUAD red{0, 0, 255, 0}, blue{255, 0, 0, 0};
  for (unsigned x = 0; x < 4; ++x) {
    FreeImage_SetPixelColor(rows, x, 0, &red);
    FreeImage_SetPixelColor(rows, x, 1, &blue);
  }
  const std::string path = scratch.file("rows.png");
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, rows, path.c_str(), 0));
  FreeImage_Unload(rows);

  // The first texel of each row of level 0, then level 2 (1 x 1): half red, half blue.
  const Texture texture(decodeImage(path));
  std::vector<unsigned char> texels(36);
  glBindTexture(GL_TEXTURE_2D, texture.name);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, texels.data());
  glGetTexImage(GL_TEXTURE_2D, 2, GL_RGBA, GL_UNSIGNED_BYTE, texels.data() + 32);
  texels.erase(texels.begin() + 20, texels.begin() + 32);
  texels.erase(texels.begin() + 4, texels.begin() + 16);
  EXPECT_EQ(std::vector<int>(texels.begin(), texels.end()),
            (std::vector<int>{255, 0, 0, 255, 0, 0, 255, 255, 128, 0, 128, 255}));
}

// Whatever the file's depth, the first texel arrives red first with its alpha: 32 bits keep theirs,
// 24 bits and a palette (which goes through FreeImage's conversion) are opaque. The palette's entry
// is a colour of its own, so its index read as a colour would show.
TEST_F(AssetsTexture, EveryDepthArrivesAsRgba8) {
  const std::pair<unsigned, std::vector<int>> cases[] = {
      {32, {200, 100, 50, 70}}, {24, {200, 100, 50, 255}}, {8, {30, 60, 90, 255}}};
  for (const auto& [bpp, expected] : cases) {
    FIBITMAP* bitmap = FreeImage_Allocate(3, 2, static_cast<int>(bpp));
    RGBQUAD colour{50, 100, 200, 70};  // blue, green, red, alpha
    BYTE index = 50;
    if (bpp == 8) FreeImage_GetPalette(bitmap)[index] = RGBQUAD{90, 60, 30, 0};
    for (unsigned y = 0; y < 2; ++y)
      for (unsigned x = 0; x < 3; ++x) {
        if (bpp == 8) FreeImage_SetPixelIndex(bitmap, x, y, &index);
        else FreeImage_SetPixelColor(bitmap, x, y, &colour);
      }
    const std::string path = scratch.file("depth" + std::to_string(bpp) + ".png");
    ASSERT_TRUE(FreeImage_Save(FIF_PNG, bitmap, path.c_str(), 0));
    FreeImage_Unload(bitmap);
    const Image image = decodeImage(path);
    ASSERT_FALSE(image.empty()) << bpp;
    EXPECT_EQ(std::vector<int>(image.levels[0].pixels.begin(), image.levels[0].pixels.begin() + 4),
              expected)
        << bpp;
  }
}

TEST_F(AssetsTexture, BindPicksFiltersFromTheTwoToggles) {
  const Texture texture(decodeImage(writeImage("filters.png", 4, 4)));
  const GLint linear[] = {GL_LINEAR, GL_LINEAR_MIPMAP_NEAREST, GL_LINEAR_MIPMAP_LINEAR};
  const GLint nearest[] = {GL_NEAREST, GL_NEAREST_MIPMAP_NEAREST, GL_NEAREST_MIPMAP_LINEAR};
  for (int mipmapMode : {-1, 0, 1})
    for (bool bilinear : {true, false}) {
      texture.bind(GL_TEXTURE3, bilinear, mipmapMode);
      GLint filters[2] = {};
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &filters[0]);
      glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &filters[1]);
      EXPECT_EQ(filters[0], (bilinear ? linear : nearest)[mipmapMode + 1]) << mipmapMode;
      EXPECT_EQ(filters[1], bilinear ? GL_LINEAR : GL_NEAREST);
    }
}

TEST_F(AssetsTexture, OnlyWholeTrustedImagesOfPlausibleSizeAreDecoded) {
  const std::string png = writeImage("ok.png", 37, 29);
  std::ifstream pngFile(png, std::ios::binary);
  const std::string pngBytes{std::istreambuf_iterator<char>(pngFile), {}};
  const std::string pipe = scratch.file("pipe.png");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  const std::pair<std::string, uint32_t> cases[] = {
      {png, 37},
      {writeImage("ok.jpg", 37, 29, {}, FIF_JPEG), 37},
      {writeImage("ok.bmp", 37, 29, {}, FIF_BMP), 37},
      {writeImage("ok.tga", 37, 29, {}, FIF_TARGA), 37},
      {writeImage("widest.png", 16384, 1), 16384},
      {writeImage("too_wide.png", 16385, 1), 0},
      {writeImage("past_floor.png", 16384, 1025), 16384},  // 64 MiB of pixels from 50 KB
      {writeImage("ok.psd", 37, 29, {}, FIF_PSD), 0},      // its decoder crashes on damaged files
      {scratch.write("truncated.png", pngBytes.substr(0, 100)), 0},
      {scratch.write("garbage.png", "this is not an image"), 0},
      {scratch.file("missing.png"), 0},
      {scratch.path.string(), 0},
      {pipe, 0},  // opening it would block for ever
      {"/dev/zero", 0},
      // a gigabyte of pixels from 154 bytes
      {scratch.write("large.bmp", bmpHeader(16000, 16000)), 0},
      {scratch.write("negative.bmp", bmpHeader(-5, -5)), 0},
  };
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  for (const auto& [path, width] : cases) {
    const Image image = decodeImage(path);
    EXPECT_EQ(image.empty() ? 0 : image.levels[0].width, width) << path;
  }
  EXPECT_EQ(testing::internal::GetCapturedStdout() + testing::internal::GetCapturedStderr(), "");

  // An empty image gives an empty texture that binds like any other.
  const Texture empty(decodeImage(scratch.file("missing.png")));
  EXPECT_NE(empty.name, 0u);
  EXPECT_EQ(textureWidth(&empty), 0);
  empty.bind(GL_TEXTURE0, true, 1);
}

// A decode gives back all FreeImage allocated for it: the header it reads the size from, the
// image as loaded and as converted. Memory in use after a hundred decodes is what it was after one
// (a header left behind is some 500 bytes; the allocator's own bookkeeping stays far below).
TEST_F(AssetsTexture, DecodingGivesBackAllItAllocated) {
  const std::string path = writeImage("leak.png", 37, 29);
  decodeImage(path);  // FreeImage's plug-ins are set up on its first use
  const std::size_t before = mallinfo2().uordblks;
  for (int i = 0; i < 100; ++i) decodeImage(path);
  EXPECT_LT(static_cast<long>(mallinfo2().uordblks) - static_cast<long>(before), 100 * 100);
}

}  // namespace
}  // namespace vorn
