// Damaged, truncated and empty models and material libraries: each is reported ("Error parsing
// ...") or loads into records the draw can use safely, and nothing crashes or hangs. Bodies that
// cannot be built from what a file holds stop the program with their message.
#include <sys/stat.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "physics/Physics.h"
#include "scene/MeshObject.h"
#include "support/ModelTest.h"

namespace vorn {
namespace {

using scene::MeshObject;

// A small model that uses every part of the import: two objects, normals, texture coordinates, a
// material library with two materials, a diffuse map and a bump map.
const char* const kGoodObj =
    "mtllib good.mtl\n"
    "o first\n"
    "v 0 0 0\nv 1 0 0\nv 1 1 0\nv 0 1 0\nv 0 0 1\nv 1 0 1\n"
    "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\n"
    "vn 0 0 1\n"
    "usemtl red\n"
    "f 1/1/1 2/2/1 3/3/1 4/4/1\n"
    "f 1/1 2/2 6/3 5/4\n"
    "o second\n"
    "v 2 0 0\nv 3 0 0\nv 2 1 0\nv 2 0 1\n"
    "usemtl blue\n"
    "f 7 8 9\nf 7 8 10\nf 7 9 10\nf 8 9 10\n";

const char* const kGoodMtl =
    "newmtl red\nKa 0.2 0 0\nKd 0.8 0 0\nKs 0.5 0.5 0.5\nNs 40\nd 1\nmap_Kd red.png\n"
    "newmtl blue\nKd 0 0 1\nmap_bump bump.png\n";

class RobustModels : public test::ModelTest {
 protected:
  RobustModels() : ModelTest("robust_models") {
    writeImage("red.png", 37, 29);
    writeImage("bump.png", 37, 29);
    write("good.mtl", kGoodMtl);
  }

  // Loads the model (no body, which a damaged file may not give) and checks that the outcome is
  // one of the two allowed ones: reported as unparsable with one line and left empty, or loaded
  // into records whose every index lies inside its own mesh and whose every material has its
  // textures, and that draw without a GL error. Returns whether it loaded.
  bool loadChecked(const std::string& path) {
    MeshObject object("damaged", path, 2);
    testing::internal::CaptureStdout();
    const bool loaded = load(object);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (loaded) {
      EXPECT_EQ(printed, "");
      expectDrawableRecords(object);
    } else {
      EXPECT_EQ(printed.rfind("Error parsing '" + path + "': '", 0), 0u) << printed;
      EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
      EXPECT_TRUE(object.subMeshes.empty());
    }
    object.draw(true, 1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    for (float factor : {object.ambient, object.diffuse, object.specular, object.shininess})
      EXPECT_TRUE(std::isfinite(factor));
    EXPECT_TRUE(object.opacity >= 0.0f && object.opacity <= 1.0f) << object.opacity;
    return loaded;
  }

  static void expectDrawableRecords(const MeshObject& object) {
    ASSERT_FALSE(object.subMeshes.empty());
    const std::vector<uint32_t> indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
    const std::size_t vertices = readStream<float>(object, MeshObject::kPositionBuffer).size() / 3;
    for (std::size_t i = 0; i < object.subMeshes.size(); ++i) {
      const SubMesh& sub = object.subMeshes[i];
      const std::size_t end =
          i + 1 < object.subMeshes.size() ? object.subMeshes[i + 1].baseVertex : vertices;
      ASSERT_EQ(sub.numIndices % 3, 0u);
      ASSERT_LE(sub.baseIndex + sub.numIndices, indices.size());
      for (uint32_t k = 0; k < sub.numIndices; ++k)
        ASSERT_LT(sub.baseVertex + indices[sub.baseIndex + k], end) << "mesh " << i;
      ASSERT_LT(sub.materialIndex, object.normalTextures.size());
      EXPECT_NE(object.normalTextures[sub.materialIndex], nullptr);
    }
  }
};

TEST_F(RobustModels, MalformedFilesAreReportedOrLoadSafely) {
  std::mt19937 random(5);
  std::string noise(3000, '\0');
  for (char& b : noise) b = static_cast<char>(random());
  const std::string triangle = "v 0 0 0\nv 1 0 0\nv 0 1 0\n";
  struct Case {
    const char* name;
    std::string text;
    bool loads;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"random bytes", noise, false},
      {"nul bytes", std::string(64, '\0'), false},
      {"only comments", "# nothing\n# here\n", false},
      {"vertices without faces", triangle, true},  // a mesh of points
      {"index past the end", triangle + "f 1 2 99999999\n", false},
      {"index zero", triangle + "f 0 0 0\n", false},
      {"negative index before the first", triangle + "f -1 -2 -5\n", false},
      {"negative indices", triangle + "f -1 -2 -3\n", true},
      {"collapsed triangle", triangle + "f 1 2 3\nv 0 0 1\nv 1 0 1\nf 4 4 5\n", true},
      {"short lines", "v 1 2\nv\nf\nf 1\nvt\nvn 1\ng\no\ns off\nusemtl\nmtllib\n", false},
      {"huge numbers", "v 1e39 -1e39 0\nv 3e38 0 0\nv 0 1e-45 0\nf 1 2 3\n", true},
      {"not a number", "v nan 0 0\nv 1 inf 0\nv 0 1 -inf\nf 1 2 3\n", true},
      {"points and lines only", triangle + "p 1 2 3\nl 1 2\n", true},
      {"unknown material", "usemtl nothing\n" + triangle + "f 1 2 3\n", true},
      {"binary after a face", triangle + "f 1 2 3\n\x01\xff\x7f\x80", true},
      {"windows line ends", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", true},
      // A library or a texture that is a pipe or a directory is no material at all.
      {"pipes as maps", "mtllib pipes.mtl\nusemtl a\n" + triangle + "f 1 2 3\n", true},
      {"map before any material", "mtllib early.mtl\n" + triangle + "f 1 2 3\n", true},
      {"pipe as library", "mtllib pipe.obj\n" + triangle + "f 1 2 3\n", true},
      {"directory as library", "mtllib directory.obj\n" + triangle + "f 1 2 3\n", true},
  };
  // Opening a pipe without a writer would block for ever.
  ASSERT_EQ(::mkfifo(file("pipe.obj").c_str(), 0600), 0);
  std::filesystem::create_directories(file("directory.obj"));
  write("pipes.mtl", "newmtl a\nmap_Kd pipe.obj\nmap_bump directory.obj\n");
  write("early.mtl", "map_Kd red.png\n\nnewmtl a\nmap_Kd red.png\n");
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(loadChecked(write("case.obj", c.text)), c.loads);
  }
  EXPECT_FALSE(loadChecked(file("directory.obj")));
  EXPECT_FALSE(loadChecked(file("pipe.obj")));
}

// Every cut of the model and of its material library, as a copy broken off mid-write leaves it.
TEST_F(RobustModels, EveryTruncationIsReportedOrLoadsSafely) {
  const std::string obj = kGoodObj;
  const std::string mtl = kGoodMtl;
  for (std::size_t length = 0; length <= obj.size(); length += 3) {
    SCOPED_TRACE("model cut at " + std::to_string(length));
    loadChecked(write("cut.obj", obj.substr(0, length)));
    if (HasFailure()) return;
  }
  EXPECT_TRUE(loadChecked(write("whole.obj", obj)));
  for (std::size_t length = 0; length < mtl.size(); length += 3) {
    SCOPED_TRACE("library cut at " + std::to_string(length));
    write("good.mtl", mtl.substr(0, length));
    loadChecked(file("whole.obj"));
    if (HasFailure()) return;
  }
}

// A loose body of absurd size (a damaged model) is refused: touching ordinary bodies, its
// contacts turned every pose involved into NaN. A static body may be as large as it likes.
TEST_F(RobustModels, LooseBodiesOfAbsurdSizeGetNoHull) {
  std::vector<float> wedge = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1e11f, 0, 1};
  std::unique_ptr<Actor> actor;
  EXPECT_EQ(Cooking::createConvexActor(material, MeshData{wedge.data(), 6, nullptr, 0}, 0.5f, actor),
            CookResult::CookingFailed);
  EXPECT_EQ(actor, nullptr);
  EXPECT_EQ(Cooking::createStaticMeshActor(material, MeshData{wedge.data(), 6, nullptr, 0}, actor),
            CookResult::Ok);
  wedge[15] = Cooking::kMaxHullReach;
  EXPECT_EQ(Cooking::createConvexActor(material, MeshData{wedge.data(), 6, nullptr, 0}, 0.5f, actor),
            CookResult::Ok);
}

// Bodies whose geometry gives no hull or no mesh end the program, naming the model.
TEST(RobustModelsDeathTest, ModelsThatFormNoBodyEndTheProgram) {
  struct Case {
    const char* file;
    const char* text;
    int32_t kind;
    const char* message;
  };
  const Case cases[] = {
      {"line.obj", "v 0 0 0\nv 1 0 0\nl 1 2\n", 1, "ERROR: MeshDESC not valid @"},
      {"collinear.obj", "v 0 0 0\nv 1 1 1\nv 2 2 2\nv 3 3 3\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: Could not cook ConvexMesh @"},
      {"nan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: MeshDESC not valid @"},
      {"overflow.obj", "v 1e39 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 0,
       "ERROR: MeshDESC not valid @"},
      {"far.obj", "v 1e11 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: Could not cook ConvexMesh @"},
  };
  test::ScratchDirectory scratch("hulls");
  test::GlContext context;
  Physics physics;
  scene::AssetCache assets;
  for (const Case& c : cases) {
    const std::string path = scratch.write(c.file, c.text);
    MeshObject object("c_broken", path, c.kind);
    EXPECT_EXIT(object.loadModel(assets, physics.createMaterial(0.5f, 0.5f, 0.5f),
                                 physics.getCooking(), physics.getScene(), 1, 1, 1),
                testing::ExitedWithCode(1), std::string(c.message) + path)
        << c.file;
  }
}

}  // namespace
}  // namespace vorn
