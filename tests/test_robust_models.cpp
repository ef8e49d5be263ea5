// Damaged, truncated, empty and huge models, material libraries and images: each is reported
// ("Error parsing ..." for models; an empty texture for images) or loads into records the draw can
// use safely, and nothing crashes, hangs or eats the machine's memory. Bodies that cannot be built
// from what a file holds stop the program with their message.
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <gtest/gtest.h>

#include "assets/Image.h"
#include "assets/Texture.h"
#include "physics/Physics.h"
#include "scene/MeshObject.h"
#include "support/ModelTest.h"

namespace vorn {
namespace {

namespace fs = std::filesystem;
using scene::MeshObject;

std::string readBytes(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream bytes;
  bytes << in.rdbuf();
  return bytes.str();
}

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
    writeImage("red.png", FIF_PNG);
    writeImage("bump.png", FIF_PNG);
  }

  std::string writeImage(const std::string& name, FREE_IMAGE_FORMAT format) const {
    const std::string path = file(name);
    FIBITMAP* image = FreeImage_Allocate(37, 29, 24);
    RGBQUAD colour{10, 200, 30, 255};
    FreeImage_FillBackground(image, &colour, 0);
    FIBITMAP* saved = image;
    if (format == FIF_GIF) saved = FreeImage_ColorQuantize(image, FIQ_WUQUANT);
    if (format == FIF_EXR || format == FIF_HDR) saved = FreeImage_ConvertToRGBF(image);
    EXPECT_TRUE(FreeImage_Save(format, saved, path.c_str(), 0)) << name;
    if (saved != image) FreeImage_Unload(saved);
    FreeImage_Unload(image);
    return path;
  }

  // Loads the model and checks that the outcome is one of the two allowed ones: reported as
  // unparsable with one line and left empty, or loaded into records whose every index lies inside
  // its own mesh and whose every material has its textures, and that draw without a GL error.
  // Returns whether it loaded.
  bool loadChecked(const std::string& path, int32_t kind = 2) {
    MeshObject object("damaged", path, kind);
    testing::internal::CaptureStdout();
    const bool loaded = load(object);
    const std::string printed = testing::internal::GetCapturedStdout();
    if (!loaded) {
      EXPECT_EQ(printed.rfind("Error parsing '" + path + "': '", 0), 0u) << printed;
      EXPECT_EQ(std::count(printed.begin(), printed.end(), '\n'), 1) << printed;
      EXPECT_TRUE(object.subMeshes.empty());
      EXPECT_TRUE(object.actors.empty());
    } else {
      EXPECT_EQ(printed.find("Error parsing"), std::string::npos) << printed;
      expectDrawableRecords(object);
      EXPECT_EQ(object.actors.size(), kind == 2 ? 0u : object.subMeshes.size());
      if (kind == 2) cookEverySubMesh(object);
    }
    object.draw(true, 1);
    object.draw(false, -1);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    EXPECT_TRUE(std::isfinite(object.ambient) && std::isfinite(object.diffuse) &&
                std::isfinite(object.specular) && std::isfinite(object.shininess));
    EXPECT_GE(object.opacity, 0.0f);
    EXPECT_LE(object.opacity, 1.0f);
    return loaded;
  }

  static void expectDrawableRecords(const MeshObject& object) {
    ASSERT_FALSE(object.subMeshes.empty());
    const std::vector<uint32_t> indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
    const std::size_t vertices = readStream<float>(object, MeshObject::kPositionBuffer).size() / 3;
    for (std::size_t i = 0; i < object.subMeshes.size(); ++i) {
      const SubMesh& sub = object.subMeshes[i];
      ASSERT_LE(sub.baseIndex + sub.numIndices, indices.size());
      for (uint32_t k = 0; k < sub.numIndices; ++k)
        ASSERT_LT(sub.baseVertex + indices[sub.baseIndex + k], vertexEnd(object, i, vertices))
            << "mesh " << i;
      ASSERT_LT(sub.materialIndex, object.normalTextures.size());
      EXPECT_NE(object.normalTextures[sub.materialIndex], nullptr);
    }
  }

  static std::size_t vertexEnd(const MeshObject& object, std::size_t mesh, std::size_t vertices) {
    return mesh + 1 < object.subMeshes.size() ? object.subMeshes[mesh + 1].baseVertex : vertices;
  }

  // The geometry a damaged file gave, cooked as the static and as the dynamic body it could
  // become (a load of kind 0 or 1 would stop the program where a body cannot be built): cooking
  // reports what it refuses, and what it builds simulates without leaving finite space.
  void cookEverySubMesh(const MeshObject& object) {
    const std::vector<float> points = readStream<float>(object, MeshObject::kPositionBuffer);
    const std::vector<uint32_t> indices = readStream<uint32_t>(object, MeshObject::kIndexBuffer);
    Physics world;  // the bodies of one file meet each other, their static twins and the ground
    PhysicsScene& scene = *world.getScene();
    for (std::size_t i = 0; i < object.subMeshes.size(); ++i) {
      const SubMesh& sub = object.subMeshes[i];
      MeshData mesh;
      mesh.points = points.data() + 3 * sub.baseVertex;
      mesh.vertexCount =
          static_cast<uint32_t>(vertexEnd(object, i, points.size() / 3) - sub.baseVertex);
      mesh.indices = sub.numIndices > 0 ? indices.data() + sub.baseIndex : nullptr;
      mesh.faceCount = sub.numIndices / 3;
      std::unique_ptr<Actor> fixed;
      std::unique_ptr<Actor> loose;
      if (Cooking::createStaticMeshActor(material, mesh, fixed) == CookResult::Ok)
        scene.addActor(std::move(fixed));
      if (Cooking::createConvexActor(material, mesh, 0.5f, loose) == CookResult::Ok) {
        EXPECT_TRUE(std::isfinite(loose->getMass()) && loose->getMass() > 0.0f);
        Actor* body = loose.get();
        scene.addActor(std::move(loose));
        for (int step = 0; step < 10; ++step) scene.simulate(1.0f / 60.0f);
        const Pose pose = body->getGlobalPose();
        EXPECT_TRUE(std::isfinite(pose.p.x) && std::isfinite(pose.p.y) && std::isfinite(pose.p.z));
      }
    }
  }

  static GLint widthOf(const std::string& imagePath) {
    const Texture texture(decodeImage(imagePath));
    return textureWidth(&texture);
  }
};

TEST_F(RobustModels, TheUndamagedModelLoads) {
  write("good.mtl", kGoodMtl);
  EXPECT_TRUE(loadChecked(write("good.obj", kGoodObj), 0));
}

TEST_F(RobustModels, MalformedFilesAreReportedOrLoadSafely) {
  struct Case {
    const char* name;
    std::string text;
    bool loads;
  };
  const Case cases[] = {
      {"empty", "", false},
      {"nul bytes", std::string(64, '\0'), false},
      {"only comments", "# nothing\n# here\n", false},
      {"vertices without faces", "v 0 0 0\nv 1 0 0\nv 0 1 0\n", true},  // a mesh of points
      {"index past the end", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 99999999\n", false},
      {"index zero", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf 0 0 0\n", false},
      {"negative index before the first", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -5\n", false},
      {"negative indices", "v 0 0 0\nv 1 0 0\nv 0 1 0\nf -1 -2 -3\n", true},
      {"short lines", "v 1 2\nv\nf\nf 1\nvt\nvn 1\ng\no\ns off\nusemtl\nmtllib\n", false},
      {"huge numbers", "v 1e39 -1e39 0\nv 3e38 0 0\nv 0 1e-45 0\nf 1 2 3\n", true},
      {"not a number", "v nan 0 0\nv 1 inf 0\nv 0 1 -inf\nf 1 2 3\n", true},
      {"one polygon of many corners",
       [] {
         std::string text;
         std::string face = "f";
         for (int i = 0; i < 2000; ++i) {
           text += "v " + std::to_string(std::cos(i * 0.00314)) + " " +
                   std::to_string(std::sin(i * 0.00314)) + " 0\n";
           face += " " + std::to_string(i + 1);
         }
         return text + face + "\n";
       }(),
       true},
      {"points and lines only", "v 0 0 0\nv 1 0 0\nv 0 1 0\np 1 2 3\nl 1 2\n", true},
      {"unknown material", "usemtl nothing\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n", true},
      {"binary after a face",
       std::string("v 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n\x01\xff\x7f\x80", 36), true},
      {"windows line ends", "v 0 0 0\r\nv 1 0 0\r\nv 0 1 0\r\nf 1 2 3\r\n", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(loadChecked(write("case.obj", c.text)), c.loads);
  }
}

TEST_F(RobustModels, RandomBytesAndNoRegularFileAreReportedWithoutBlocking) {
  std::mt19937 random(5);
  std::string bytes(3000, '\0');
  for (char& b : bytes) b = static_cast<char>(random());
  EXPECT_FALSE(loadChecked(write("random.obj", bytes)));

  fs::create_directories(scratch.path / "directory.obj");
  EXPECT_FALSE(loadChecked(file("directory.obj")));
  const std::string pipe = file("pipe.obj");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_FALSE(loadChecked(pipe));  // opening a pipe without a writer would block for ever

  // A material library or a texture that is a pipe or a directory is no material at all.
  write("pipes.mtl", "newmtl a\nmap_Kd pipe.obj\nmap_bump directory.obj\n");
  EXPECT_TRUE(loadChecked(write("pipes.obj",
                                "mtllib pipes.mtl\nusemtl a\nv 0 0 0\nv 1 0 0\n"
                                "v 0 1 0\nf 1 2 3\n")));
  EXPECT_TRUE(loadChecked(write("pipelib.obj",
                                "mtllib pipe.obj\nv 0 0 0\nv 1 0 0\nv 0 1 0\n"
                                "f 1 2 3\n")));
  EXPECT_TRUE(loadChecked(write("dirlib.obj",
                                "mtllib directory.obj\nv 0 0 0\nv 1 0 0\n"
                                "v 0 1 0\nf 1 2 3\n")));
}

// Every cut of the model and of its material library, as a copy broken off mid-write leaves it.
TEST_F(RobustModels, EveryTruncationIsReportedOrLoadsSafely) {
  const std::string obj = kGoodObj;
  const std::string mtl = kGoodMtl;
  write("good.mtl", mtl);
  for (std::size_t length = 0; length < obj.size(); length += 3) {
    SCOPED_TRACE("model cut at " + std::to_string(length));
    loadChecked(write("cut.obj", "mtllib good.mtl\n" + obj.substr(0, length)));
    if (HasFailure()) return;
  }
  // A library the importer cannot read fails the whole model, reported like a damaged model.
  const std::string model = write("whole.obj", obj);
  for (std::size_t length = 0; length < mtl.size(); length += 3) {
    SCOPED_TRACE("library cut at " + std::to_string(length));
    write("good.mtl", mtl.substr(0, length));
    loadChecked(model, 0);
    if (HasFailure()) return;
  }
}

// Random damage of the kinds files suffer: flipped bytes, lost and doubled lines, numbers replaced
// by extreme ones, in the model and in its library.
TEST_F(RobustModels, RandomlyDamagedFilesAreReportedOrLoadSafely) {
  std::mt19937 random(20240611);
  auto damage = [&random](std::string text) {
    static const char* const kNumbers[] = {"1e39",       "-1e39",       "nan",       "0",
                                           "-0",         "99999999999", "-99999999", "1e-45",
                                           "4294967296", "-1",          "inf"};
    for (int n = 1 + random() % 4; n > 0 && !text.empty(); --n) {
      const std::size_t at = random() % text.size();
      switch (random() % 5) {
        case 0: text[at] = static_cast<char>(random()); break;
        case 1: {  // a line lost
          const std::size_t end = text.find('\n', at);
          text.erase(at, end == std::string::npos ? std::string::npos : end - at + 1);
          break;
        }
        case 2: {  // a line doubled
          const std::size_t start = text.rfind('\n', at);
          const std::size_t from = start == std::string::npos ? 0 : start + 1;
          const std::size_t end = text.find('\n', at);
          const std::string line =
              text.substr(from, end == std::string::npos ? std::string::npos : end - from + 1);
          text.insert(from, line);
          break;
        }
        case 3: {  // a number made extreme
          const std::size_t digit = text.find_first_of("0123456789", at);
          if (digit != std::string::npos) text.replace(digit, 1, kNumbers[random() % 11]);
          break;
        }
        default: text.insert(at, 1, static_cast<char>("/ -\n\t"[random() % 5]));
      }
    }
    return text;
  };
  int loaded = 0;
  for (int i = 0; i < 300; ++i) {
    SCOPED_TRACE("damage " + std::to_string(i));
    write("good.mtl", i % 2 ? damage(kGoodMtl) : std::string(kGoodMtl));
    const std::string text = i % 3 ? damage(kGoodObj) : std::string(kGoodObj);
    loaded += loadChecked(write("damaged.obj", i % 3 ? damage(kGoodObj) : std::string(kGoodObj)));
    if (HasFailure()) return;
  }
  EXPECT_GT(loaded, 100);  // the damage leaves many files loadable, so the records were checked
}

TEST_F(RobustModels, DamagedMaterialValuesStayFiniteAndOpacityInRange) {
  const std::string model = write("lit.obj",
                                  "mtllib lit.mtl\nusemtl bad\nv 0 0 0\nv 1 0 0\n"
                                  "v 0 1 0\nf 1 2 3\n");
  const std::string libraries[] = {
      "newmtl bad\nKa nan nan nan\nKd inf 0 0\nKs -inf 0 0\nNs nan\nd nan\n",
      "newmtl bad\nKa 1e39 0 0\nNs 1e39\nd 7\n",
      "newmtl bad\nd -3\nNs -5\n",
      "newmtl bad\nKd\nKa 1\nNs\nd\nmap_Kd\nmap_bump\n",
      std::string("\x01\x02newmtl\0bad", 13),
  };
  for (const std::string& library : libraries) {
    SCOPED_TRACE(library);
    write("lit.mtl", library);
    loadChecked(model);
  }
  write("lit.mtl", "newmtl bad\nd 7\n");
  MeshObject seven("seven", model, 2);
  load(seven);
  EXPECT_EQ(seven.opacity, 1.0f);
  write("lit.mtl", "newmtl bad\nd -3\n");
  MeshObject negative("negative", model, 2);
  load(negative);
  EXPECT_EQ(negative.opacity, 0.0f);
}

TEST_F(RobustModels, HugeModelsLoadAndCook) {
  // A terrain of a quarter of a million triangles as a static body.
  const int n = 350;
  std::string grid;
  grid.reserve(8 << 20);
  for (int i = 0; i <= n; ++i)
    for (int j = 0; j <= n; ++j)
      grid += "v " + std::to_string(i * 0.1) + " " + std::to_string((i * j) % 7 * 0.01) + " " +
              std::to_string(j * 0.1) + "\n";
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      const int a = i * (n + 1) + j + 1;
      grid += "f " + std::to_string(a) + " " + std::to_string(a + 1) + " " +
              std::to_string(a + n + 2) + " " + std::to_string(a + n + 1) + "\n";
    }
  }
  EXPECT_TRUE(loadChecked(write("grid.obj", grid), 0));

  // A loose body of twenty thousand scattered points keeps a hull of few vertices.
  std::mt19937 random(9);
  std::uniform_real_distribution<float> coordinate(-1.0f, 1.0f);
  std::string cloud;
  for (int i = 0; i < 20000; ++i)
    cloud += "v " + std::to_string(coordinate(random)) + " " + std::to_string(coordinate(random)) +
             " " + std::to_string(coordinate(random)) + "\n";
  for (int i = 1; i + 2 <= 20000; i += 3)
    cloud +=
        "f " + std::to_string(i) + " " + std::to_string(i + 1) + " " + std::to_string(i + 2) + "\n";
  EXPECT_TRUE(loadChecked(write("cloud.obj", cloud), 1));
}

// Images damaged in every way, in each format FreeImage may detect: each gives a texture (empty
// when unreadable), and none takes the program down.
TEST_F(RobustModels, DamagedImagesGiveTexturesAndNeverCrash) {
  const FREE_IMAGE_FORMAT formats[] = {FIF_PNG,  FIF_JPEG, FIF_BMP, FIF_TARGA, FIF_GIF,
                                       FIF_TIFF, FIF_PSD,  FIF_EXR, FIF_WEBP,  FIF_HDR};
  std::mt19937 random(3);
  for (FREE_IMAGE_FORMAT format : formats) {
    const std::string original = readBytes(writeImage("original", format));
    ASSERT_FALSE(original.empty());
    for (int i = 0; i < 60; ++i) {
      std::string damaged = original;
      switch (i % 3) {
        case 0: damaged.resize(random() % damaged.size()); break;
        case 1:
          for (int n = 1 + random() % 8; n > 0; --n)
            damaged[random() % damaged.size()] = static_cast<char>(random());
          break;
        default:  // the header, where sizes and counts stand
          for (std::size_t k = random() % std::min<std::size_t>(damaged.size(), 60), end = k + 4;
               k < end && k < damaged.size(); ++k)
            damaged[k] = '\xff';
      }
      SCOPED_TRACE("format " + std::to_string(format) + " case " + std::to_string(i));
      const GLint width = widthOf(write("damaged.img", damaged));
      EXPECT_TRUE(width == 0 || width == 37) << width;
    }
  }
  EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

TEST_F(RobustModels, OnlyPngJpegBmpAndTgaImagesAreDecoded) {
  for (FREE_IMAGE_FORMAT format : {FIF_PNG, FIF_JPEG, FIF_BMP, FIF_TARGA})
    EXPECT_EQ(widthOf(writeImage("trusted", format)), 37) << format;
  // Decoders that crash or spin on damaged files are not used even for sound ones.
  for (FREE_IMAGE_FORMAT format : {FIF_PSD, FIF_GIF, FIF_EXR})
    EXPECT_EQ(widthOf(writeImage("untrusted", format)), 0) << format;
}

// A loose body of absurd size (a damaged model) is refused: touching ordinary bodies, its
// contacts turned every pose involved into NaN.
TEST_F(RobustModels, LooseBodiesOfAbsurdSizeGetNoHull) {
  const std::vector<float> wedge = {0, 0, 0, 1, 0, 0, 1, 1, 0, 0, 1, 0, 0, 0, 1, 1e11f, 0, 1};
  const MeshData far{wedge.data(), 6, nullptr, 0};
  std::unique_ptr<Actor> actor;
  EXPECT_EQ(Cooking::createConvexActor(material, far, 0.5f, actor), CookResult::CookingFailed);
  EXPECT_EQ(actor, nullptr);

  std::vector<float> reachable = wedge;
  reachable[15] = Cooking::kMaxHullReach;
  const MeshData large{reachable.data(), 6, nullptr, 0};
  EXPECT_EQ(Cooking::createConvexActor(material, large, 0.5f, actor), CookResult::Ok);
  // A static body may be as large as it likes: nothing it touches moves it.
  EXPECT_EQ(Cooking::createStaticMeshActor(material, MeshData{wedge.data(), 6, nullptr, 0}, actor),
            CookResult::Ok);
}

// Header fields of a few bytes that ask for gigabytes of pixels.
TEST_F(RobustModels, ImagesClaimingHugeSizesAreRefusedBeforeTheirPixelsAreAllocated) {
  auto bmpHeader = [](int32_t width, int32_t height) {
    std::string h = "BM";
    auto put = [&h](uint32_t value, int bytes) {
      for (int i = 0; i < bytes; ++i) h += static_cast<char>((value >> (8 * i)) & 0xff);
    };
    put(154, 4), put(0, 4), put(54, 4);                                // file header
    put(40, 4), put(width, 4), put(height, 4), put(1, 2), put(24, 2);  // info header
    put(0, 4), put(0, 4), put(2835, 4), put(2835, 4), put(0, 4), put(0, 4);
    return h + std::string(100, '\x10');
  };
  std::string tga = {0, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0};
  tga += {'\xff', '\xff', '\xff', '\xff', 32, 8};  // 65535 by 65535, 32 bits
  tga += std::string(100, ' ');

  const auto start = std::chrono::steady_clock::now();
  EXPECT_EQ(widthOf(write("huge.bmp", bmpHeader(60000, 60000))), 0);
  EXPECT_EQ(widthOf(write("large.bmp", bmpHeader(16000, 16000))), 0);  // 1 GB from 154 bytes
  EXPECT_EQ(widthOf(write("huge.tga", tga)), 0);
  EXPECT_EQ(widthOf(write("negative.bmp", bmpHeader(-5, -5))), 0);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));

  // A real image of the same pixel count as the floor is still decoded.
  FIBITMAP* wide = FreeImage_Allocate(4096, 16, 24);
  const std::string widePath = file("wide.png");
  ASSERT_TRUE(FreeImage_Save(FIF_PNG, wide, widePath.c_str(), 0));
  FreeImage_Unload(wide);
  EXPECT_EQ(widthOf(widePath), 4096);
}

TEST_F(RobustModels, ImagesThatAreNoRegularFilesGiveEmptyTexturesWithoutBlocking) {
  const std::string pipe = file("pipe.png");
  ASSERT_EQ(::mkfifo(pipe.c_str(), 0600), 0);
  EXPECT_EQ(widthOf(pipe), 0);
  EXPECT_EQ(widthOf("/dev/zero"), 0);
  EXPECT_EQ(widthOf(scratch.path.string()), 0);
}

// Dynamic bodies whose geometry gives no hull end the program, naming the model.
TEST(RobustModelsDeathTest, DynamicModelsThatFormNoHullEndTheProgram) {
  const fs::path dir = fs::temp_directory_path() / "blotwise_robust_hulls";
  fs::create_directories(dir);
  struct Case {
    const char* file;
    const char* text;
    int32_t kind;
    const char* message;
  };
  const Case cases[] = {
      {"collinear.obj", "v 0 0 0\nv 1 1 1\nv 2 2 2\nv 3 3 3\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: Could not cook ConvexMesh @"},
      {"nan.obj", "v nan 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: MeshDESC not valid @"},
      {"overflow.obj", "v 1e39 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 0,
       "ERROR: MeshDESC not valid @"},
      {"far.obj", "v 1e11 0 0\nv 1 0 0\nv 0 1 0\nv 0 0 1\nf 1 2 3\nf 2 3 4\n", 1,
       "ERROR: Could not cook ConvexMesh @"},
  };
  test::GlContext context;
  Physics physics;
  scene::AssetCache assets;
  for (const Case& c : cases) {
    const std::string path = (dir / c.file).string();
    std::ofstream(path) << c.text;
    MeshObject object("c_broken", path, c.kind);
    EXPECT_EXIT(object.loadModel(assets, physics.createMaterial(0.5f, 0.5f, 0.5f),
                                 physics.getCooking(), physics.getScene(), 1, 1, 1),
                testing::ExitedWithCode(1), std::string(c.message) + path)
        << c.file;
  }
  fs::remove_all(dir);
}

}  // namespace
}  // namespace vorn
