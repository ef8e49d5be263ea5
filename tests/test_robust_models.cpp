// Damaged, truncated and empty models and material libraries: each is reported ("Error parsing
// ...") or loads into records the draw can use safely, and nothing crashes or hangs. Bodies that
// cannot be built from what a file holds stop the program with their message.
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "physics/Physics.h"
#include "scene/MeshObject.h"
#include "support/ModelTest.h"

namespace vorn {
namespace {

using scene::MeshObject;

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
  const std::pair<std::string, bool> cases[] = {  // the text, and whether it loads
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
  const std::tuple<std::string, int32_t, const char*> cases[] = {  // text, kind, message
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

}  // namespace
}  // namespace vorn
