// The level and the game played on it: what the world set-up registers, where, that each of its
// files is read once, that loose bodies give way to a walking player; censoring, the win, the
// light events and the arm.
#include <dlfcn.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <btBulletDynamicsCommon.h>
#include <gtest/gtest.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/Hud.h"
#include "app/World.h"
#include "render/ScenePass.h"
#include "render/ShaderProgram.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/MeshObject.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/GlContext.h"
#include "support/PlayerBot.h"

// The files the game reads, counted by the test's own definitions of the two library entry points
// that read them: the game's calls land here and go on to the libraries.
std::map<std::string, int> modelReads;
std::map<std::string, int> imageReads;

template <typename Fn>
Fn libraryDefinition(const char* symbol) {
  return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, symbol));
}

const void* countModelRead(void* importer, const char* file,
                           unsigned flags) __asm__("_ZN6Assimp8Importer8ReadFileEPKcj");
const void* countModelRead(void* importer, const char* file, unsigned flags) {
  static const auto read = libraryDefinition<const void* (*)(void*, const char*, unsigned)>(
      "_ZN6Assimp8Importer8ReadFileEPKcj");
  ++modelReads[file];
  return read(importer, file, flags);
}

void* countImageRead(int format, const char* file, int flags) __asm__("FreeImage_Load");
void* countImageRead(int format, const char* file, int flags) {
  static const auto read = libraryDefinition<void* (*)(int, const char*, int)>("FreeImage_Load");
  constexpr int kHeaderOnly = 0x8000;  // FIF_LOAD_NOPIXELS: the size check before the decoding
  if (flags != kHeaderOnly) ++imageReads[file];
  return read(format, file, flags);
}

namespace vorn {
namespace {

using test::GameDriver;

TEST(LevelFiles, EachIsReadOnceAcrossTheLevelAndTenThrows) {
  modelReads.clear();
  imageReads.clear();
  GameDriver driver(160, 120);
  for (int i = 0; i < 10; ++i) driver.game.throwBox();
  ASSERT_EQ(driver.game.boxCount, 10);
  EXPECT_EQ(modelReads.count("./Resources/Censorable/box.obj"), 1u);
  EXPECT_GT(modelReads.size(), 25u);
  EXPECT_GT(imageReads.size(), 40u);
  for (const auto& [file, reads] : modelReads) EXPECT_EQ(reads, 1) << file;
  for (const auto& [file, reads] : imageReads) EXPECT_EQ(reads, 1) << file;
}

std::shared_ptr<scene::SceneObject> get(const std::string& name) { return ::scene().get(name); }

using test::centreOf;

// Moves the object so that its bounding-box centre lies at the point, keeping its heading.
void moveCentreTo(scene::SceneObject& object, const glm::vec3& point) {
  object.transform(glm::translate(glm::mat4(1.0f), point - centreOf(object)), false);
}

glm::vec3 uniformVec3(const char* name) {
  const GLuint program = world().lightingShader->program;
  glm::vec3 value(-1.0f);
  glGetUniformfv(program, glGetUniformLocation(program, name), &value.x);
  return value;
}

// The back buffer as RGBA bytes, bottom row first.
std::vector<unsigned char> backBuffer(const Game& game) {
  std::vector<unsigned char> pixels(static_cast<size_t>(game.width) * game.height * 4);
  glReadBuffer(GL_BACK);
  glReadPixels(0, 0, game.width, game.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  return pixels;
}

// A frame's picture before and after the HUD is drawn over it.
struct HudLayer {
  std::vector<unsigned char> picture, withHud;
  int width = 0, height = 0;

  // x from the left, y from the top, as the HUD lays itself out.
  const unsigned char* at(const std::vector<unsigned char>& pixels, int x, int y) const {
    return &pixels[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
  }
  bool changed(int x, int y) const {
    return !std::equal(at(picture, x, y), at(picture, x, y) + 3, at(withHud, x, y));
  }
  // The HUD's green, as the win and the aim mark on a target show it.
  bool green(int x, int y) const {
    const unsigned char* p = at(withHud, x, y);
    return changed(x, y) && p[1] > 200 && p[0] < 150 && p[2] < 170;
  }
  int count(bool (HudLayer::*test)(int, int) const) const {
    int n = 0;
    for (int i = 0; i < width * height; ++i) n += (this->*test)(i % width, i / width);
    return n;
  }
};

HudLayer drawHudOver(Game& game) {
  game.renderShadows();
  game.renderScene();
  game.renderPostProcess();
  HudLayer layer{backBuffer(game), {}, game.width, game.height};
  game.renderHud(1.0f / 60.0f);
  layer.withHud = backBuffer(game);
  return layer;
}

int pixelsTheHudChanges(Game& game) { return drawHudOver(game).count(&HudLayer::changed); }

// The row of the screen, from the top, on which a point of the world is seen, by the test's own
// matrices.
float rowOf(const Game& game, const glm::vec3& point) {
  scene::CameraActor& camera = *world().camera;
  const glm::mat4 projection =
      perspectiveMatrix(camera.fieldOfView, static_cast<float>(game.width) / game.height,
                        game.nearPlane, game.farPlane);
  const glm::vec4 clip = projection * camera.getViewMatrix() * glm::vec4(point, 1.0f);
  return (0.5f - clip.y / clip.w * 0.5f) * game.height;
}

// Without the effects, which cost the most to draw and play no part here (but in the HUD test).
class Gameplay : public ::testing::Test {
 protected:
  Gameplay() { game.effectsEnabled = false; }

  GameDriver driver;
  Game& game = driver.game;
  Hud& hud = *world().hud;
};

using Level = Gameplay;  // the level as the world set-up leaves it

TEST_F(Level, RegistersEveryObjectOnceAndNothingElse) {
  std::set<std::string> names;
  for (const auto& entry : ::scene().getOpaqueObjects()) names.insert(entry.first);
  for (const auto& entry : ::scene().getTransparentObjects()) names.insert(entry.first);
  EXPECT_EQ(names.size(), 68u);
  EXPECT_EQ(names.count("ap4_collegedude_arm"), 0u);
  EXPECT_EQ(names.count("ap4_collegedude_arm_derived"), 1u);
  EXPECT_EQ(names.count("textureObject"), 0u);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    EXPECT_EQ(names.count(entry.name), 1u) << entry.name;
    // Censorable objects alone take part in the censor filter.
    const bool censorable = scene::isCensorable(entry.name);
    EXPECT_EQ(get(entry.name)->getFilterGroup(), censorable ? 4u : 1u) << entry.name;
    EXPECT_EQ(get(entry.name)->getFilterMask(), censorable ? 2u : 1u) << entry.name;
  }
}

TEST_F(Level, PeopleAndLooseObjectsComeToRestNearTheirPlaces) {
  driver.run(3.0f);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (entry.kind != 1) continue;
    // The date-night board stands on the couch a little below where it is placed.
    const glm::vec3 p = get(entry.name)->getGlobalPose().p;
    EXPECT_LT(std::hypot(p.x - entry.position.x, p.z - entry.position.z), 0.5f)
        << entry.name << " drifted";
    EXPECT_LT(std::abs(p.y - entry.position.y), 1.2f) << entry.name << " fell";
  }
}

TEST_F(Level, ADoorwayFullOfThrownBoxesCanBeWalkedThrough) {
  // At seven frames a second, where a frame's step is half the capsule's width.
  test::PlayerBot bot(driver, 1.0f / 7.0f);
  // Four boxes across the opening (3.8 to 6.2), five deep through it, five high.
  for (int i = 0; i < 100; ++i) {
    game.throwBox();
    const auto box = get("box" + std::to_string(game.boxCount));
    const glm::vec3 spot(4.15f + 0.55f * (i % 4), 0.35f + 0.55f * (i / 20),
                         -4.4f + 0.55f * (i / 4 % 5));
    box->transform(glm::translate(glm::mat4(1.0f), spot - test::centreOf(*box)), false);
    box->setVelocity(glm::vec3(0.0f));
  }
  driver.run(2.0f, 1.0f / 7.0f);  // the pile settles
  ASSERT_TRUE(bot.walkTo("door 3"));
  EXPECT_TRUE(bot.follow({{5, 0, 0}, {5, 0, -7}})) << "stuck at z " << driver.feet().z;
}

// The HUD is drawn over the finished picture, filled alike with and without effects and in
// wire-frame mode, with the crosshair at the centre.
TEST_F(Gameplay, CrosshairMarksTheCentreOverTheFinishedPicture) {
  game.effectsEnabled = true;
  driver.frame();
  const int w = game.width;
  const int h = game.height;
  const test::Rgba centre = test::readPixel(w / 2, h / 2);
  EXPECT_TRUE(centre.r == 255 && centre.g == 255 && centre.b == 255)
      << "no crosshair at the centre";
  // The backdrops of the counter and the help hint alone cover more than this; drawn as lines
  // they would not.
  const int filled = pixelsTheHudChanges(game);
  EXPECT_GT(filled, w * h / 40);
  game.effectsEnabled = false;
  const int withoutEffects = pixelsTheHudChanges(game);
  game.wireframe = true;
  glPolygonMode(GL_FRONT_AND_BACK, GL_LINE);  // as F3 does
  const int inWireFrame = pixelsTheHudChanges(game);
  EXPECT_NEAR(withoutEffects, filled, filled / 20);
  EXPECT_NEAR(inWireFrame, filled, filled / 20);
  // The HUD gave back the wire-frame mode and the state every pass relies on.
  GLint mode[2] = {0, 0};
  glGetIntegerv(GL_POLYGON_MODE, mode);
  EXPECT_EQ(mode[0], GL_LINE);
  EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST) && glIsEnabled(GL_CULL_FACE) && glIsEnabled(GL_BLEND));
}

TEST_F(Gameplay, ThrownBoxesAreNumberedAndLeaveFromBeforeTheEye) {
  driver.moveMouse(0, 300);  // thirty degrees down
  driver.frame();
  const glm::vec3 eye = world().camera->position;
  const glm::vec3 front = world().camera->front;
  driver.throwBox();
  const auto box = get("box1");
  ASSERT_TRUE(box);
  const glm::vec3 spawn = box->getGlobalPose().p;
  EXPECT_NEAR(spawn.x, eye.x + front.x, 1e-3);
  EXPECT_NEAR(spawn.y, eye.y - 0.5f, 1e-3);
  EXPECT_NEAR(spawn.z, eye.z + front.z, 1e-3);
  EXPECT_NEAR(glm::length(box->getActor()->getLinearVelocity() - 10.0f * front), 0.0f, 1e-3);
  // A crate of 0.5 on each side, scaled by 0.2 to 1.0 on each axis, with density 0.5.
  const float mass = box->getActor()->getMass();
  EXPECT_GE(mass, 0.5f * 0.125f * 0.008f * 0.95f);
  EXPECT_LE(mass, 0.5f * 0.125f * 1.05f);
  EXPECT_EQ(box->getFilterGroup(), 2u);
  EXPECT_EQ(box->getFilterMask(), 4u);

  driver.throwBox();  // within the cool-down: nothing
  EXPECT_FALSE(get("box2"));
  driver.run(0.3f);
  driver.throwBox();
  EXPECT_TRUE(get("box2"));
  EXPECT_EQ(game.boxCount, 2);
}

// Walked up to a wall, the eye is closer to it than a box's usual start: every box thrown then,
// straight ahead, up or down, ends up on the floor on the player's side, none inside the wall.
TEST_F(Gameplay, PointBlankThrowsLeaveNoBoxInsideAWall) {
  driver.frame();
  scene::CameraActor& camera = *world().camera;
  PhysicsScene& physics = *game.physics->getScene();
  const float yaws[] = {0.0f, 90.0f, 180.0f, 270.0f};
  const float pitches[] = {0.0f, -25.0f, 20.0f, -10.0f, 10.0f, 0.0f};
  int thrown = 0;
  for (float yaw : yaws) {
    SCOPED_TRACE(yaw);
    camera.yaw = yaw;
    camera.pitch = 0.0f;
    driver.input->keys = {GLFW_KEY_W};
    glm::vec3 before(1e9f);
    for (int i = 0; i < 20 && glm::distance(before, driver.feet()) > 0.05f; ++i) {
      before = driver.feet();
      driver.run(0.5f, 1.0f / 30.0f);  // on until the wall stops the player
    }
    driver.input->keys.clear();
    const glm::vec3 eye = camera.position;
    const RayHit wall = physics.castRay(eye, eye + 1.2f * camera.front, RayTargets::Static);
    ASSERT_TRUE(wall.actor) << "not at a wall";
    const glm::vec3 ahead = camera.front;
    for (float pitch : pitches) {
      camera.pitch = pitch;
      driver.run(0.34f, 1.0f / 30.0f);
      EXPECT_LE(game.aim.screenY, game.height) << "the aim mark below the picture's edge";
      driver.throwBox();
      ++thrown;
    }
    driver.run(3.0f, 1.0f / 30.0f);
    const glm::vec3 feet = driver.feet();
    for (int i = thrown - 5; i <= thrown; ++i) {
      SCOPED_TRACE(i);
      const auto box = get("box" + std::to_string(i));
      ASSERT_TRUE(box);
      const glm::vec3 at = centreOf(*box);
      EXPECT_LT(at.y - feet.y, 0.45f) << "not down on the floor";
      EXPECT_LT(glm::dot(at - wall.point, ahead), -0.05f) << "in or behind the wall";
    }
  }
}

// Where the mark is seen below the crosshair on the screen's centre line: the middle of the rows
// the HUD changes there, from the top, and whether it is drawn in green anywhere.
struct MarkSeen {
  float row;
  bool green;
};

MarkSeen markSeen(Game& game) {
  const HudLayer layer = drawHudOver(game);
  int first = -1, last = -1;
  for (int y = game.height / 2 + game.height / 20; y < game.height; ++y)
    if (layer.changed(game.width / 2, y)) first = first < 0 ? y : first, last = y;
  return {first < 0 ? -1.0f : (first + last) / 2.0f, layer.count(&HudLayer::green) > 0};
}

// The aim mark names the first thing the box would touch and is drawn where that point is seen:
// white on the floor, green over a censorable object put there, which the throw then censors,
// and white again over its censored copy, which is no target any more.
TEST_F(Gameplay, AimMarkShowsWhereTheBoxFirstTouches) {
  game.effectsEnabled = true;  // the picture the HUD is drawn over, as the game starts
  world().camera->pitch = -15.0f;
  driver.run(0.2f);
  ASSERT_TRUE(game.aim.found);
  EXPECT_FALSE(game.aim.onTarget);
  MarkSeen seen = markSeen(game);
  EXPECT_NEAR(seen.row, rowOf(game, game.aim.point), 2.0f);
  EXPECT_FALSE(seen.green);
  const glm::vec3 landing = game.aim.point;
  auto tv = get("c_ap5_tv");
  moveCentreTo(*tv, landing + glm::vec3(0.0f, 0.3f, 0.0f));
  driver.run(0.2f);
  ASSERT_TRUE(game.aim.onTarget);
  EXPECT_LT(glm::distance(game.aim.point, landing), 1.0f);
  seen = markSeen(game);
  EXPECT_NEAR(seen.row, rowOf(game, game.aim.point), 2.0f);
  EXPECT_TRUE(seen.green);
  driver.throwBox();
  EXPECT_TRUE(driver.runUntil([&] { return game.censoredCount == 1; }, 2.0f));
  driver.run(0.2f);
  EXPECT_TRUE(game.aim.found);
  EXPECT_FALSE(game.aim.onTarget);
  EXPECT_FALSE(markSeen(game).green);
}

TEST_F(Gameplay, BoxTouchingTwoCensorablesCensorsOneAndGoes) {
  driver.frame();
  driver.throwBox();
  auto box = get("box1");
  auto first = get("c_ap1_screen1");
  auto second = get("c_ap1_screen2");
  ASSERT_TRUE(box && first && second);
  const glm::vec3 meeting(40.0f, 3.0f, 40.0f);  // outside the building, clear of everything
  moveCentreTo(*first, meeting);
  moveCentreTo(*second, meeting);
  moveCentreTo(*box, meeting);
  box->setVelocity(glm::vec3(0.0f));

  test::CoutCapture console;
  driver.frame();
  const std::string printed = console.text();
  EXPECT_NE(printed.find("Censor IT!"), std::string::npos);
  EXPECT_EQ(game.censoredCount, 1);
  EXPECT_FALSE(get("box1"));
  const bool firstCensored = get("c_ap1_screen1")->getName() == "c_ap1_screen1_censored";
  const bool secondCensored = get("c_ap1_screen2")->getName() == "c_ap1_screen2_censored";
  EXPECT_NE(firstCensored, secondCensored);
  EXPECT_EQ(game.physics->pendingTrigger, nullptr);
  EXPECT_EQ(game.physics->pendingTarget, nullptr);
}

TEST_F(Gameplay, CensoredTelevisionKeepsItsKeyAndPose) {
  driver.frame();
  auto tv = get("c_ap5_tv");
  ASSERT_TRUE(tv);
  const Pose before = tv->getGlobalPose();
  const btRigidBody& surface = *tv->getActor()->getBody();
  const float friction = surface.getFriction(), restitution = surface.getRestitution();
  game.physics->pendingTarget = tv.get();
  driver.frame();
  auto censored = std::dynamic_pointer_cast<scene::MeshObject>(get("c_ap5_tv"));
  ASSERT_TRUE(censored);
  EXPECT_EQ(censored->getName(), "c_ap5_tv_censored");
  EXPECT_EQ(censored->path, "./Resources/Censorable/tv_censored.obj");
  const Pose after = censored->getGlobalPose();
  EXPECT_NEAR(glm::length(after.p - before.p), 0.0f, 1e-4);
  EXPECT_NEAR(std::abs(glm::dot(after.q, before.q)), 1.0f, 1e-4);
  EXPECT_EQ(censored->getFilterGroup(), 1u);
  EXPECT_EQ(censored->getActor()->getBody()->getFriction(), friction);
  EXPECT_EQ(censored->getActor()->getBody()->getRestitution(), restitution);
  EXPECT_TRUE(tv->actors.empty());  // the original left the physics world
  EXPECT_EQ(game.censoredCount, 1);
  EXPECT_STREQ(hud.counterText(), "Censored 1 / 13");
  EXPECT_STREQ(hud.messageText(0), "Censor IT!");
  // A loose body, whatever the original was.
  EXPECT_TRUE(censored->getActor()->isDynamic());
}

// A censorable model with an opacity below one sits in the transparent map, where the swap cannot
// take its place: it stays as it is, nothing is counted, and the game runs on.
TEST_F(Gameplay, RefusedSwapLeavesTheOriginalInPlace) {
  driver.frame();
  auto tv = std::dynamic_pointer_cast<scene::MeshObject>(get("c_ap5_tv"));
  ASSERT_TRUE(tv);
  ::scene().remove(tv.get(), "c_ap5_tv");
  tv->opacity = 0.5f;  // as its material would say
  ::scene().insert("c_ap5_tv", tv);
  ASSERT_EQ(::scene().transparent().count("c_ap5_tv"), 1u);
  const Pose before = tv->getGlobalPose();

  game.physics->pendingTarget = tv.get();
  testing::internal::CaptureStderr();
  driver.frame();
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("ERROR: 'c_ap5_tv' stays uncensored"), std::string::npos) << err;
  EXPECT_EQ(game.censoredCount, 0);
  EXPECT_EQ(get("c_ap5_tv"), tv);
  ASSERT_FALSE(tv->actors.empty()) << "the original left the physics world";
  EXPECT_NEAR(glm::length(tv->getGlobalPose().p - before.p), 0.0f, 1e-3);
  EXPECT_STRNE(hud.newestText(), "Censor IT!");
  game.effectsEnabled = true;  // every pass draws it on
  driver.run(0.2f);
  EXPECT_EQ(get("c_ap5_tv"), tv);
}

TEST_F(Gameplay, WinRoomWithTwelveSwapsIsRedThenTabWins) {
  driver.frame();
  scene::CameraActor& camera = *world().camera;
  const glm::vec3 inWinRoom(5, 8.6f, -15);  // an eye there; each drawn frame puts it back
  game.censoredCount = 12;
  test::CoutCapture console;
  camera.position = inWinRoom;
  game.updateLogic(1.0f / 60.0f);
  EXPECT_FALSE(game.hasWon);
  EXPECT_EQ(::scene().getPointLight("point3")->color, glm::vec3(1, 0, 0));
  EXPECT_EQ(uniformVec3("pointLights[2].v_color"), glm::vec3(1, 0, 0));

  driver.input->keys.insert(GLFW_KEY_TAB);
  camera.position = inWinRoom;
  game.updateLogic(1.0f / 60.0f);
  driver.input->keys.erase(GLFW_KEY_TAB);
  EXPECT_TRUE(game.hasWon);
  EXPECT_EQ(game.censoredCount, 13);
  EXPECT_STREQ(hud.messageText(0), "Tab: everything counts as censored");
  EXPECT_EQ(::scene().getPointLight("point3")->color, glm::vec3(0, 1, 0));
  EXPECT_EQ(uniformVec3("pointLights[2].v_color"), glm::vec3(0, 1, 0));

  // The banner counts the seconds down to the close.
  std::vector<std::string> closing;
  int frames = 0;
  while (!glfwWindowShouldClose(game.window) && frames < 1000) {
    driver.frame(0.05f);
    ++frames;
    if (closing.empty() || closing.back() != hud.closingText())
      closing.push_back(hud.closingText());
  }
  EXPECT_EQ(closing,
            (std::vector<std::string>{"The game closes in 5 s", "The game closes in 4 s",
                                      "The game closes in 3 s", "The game closes in 2 s",
                                      "The game closes in 1 s", "The game closes in 0 s"}));
  const std::string printed = console.text();
  EXPECT_EQ(printed.find("YOU WON!"), printed.rfind("YOU WON!"));  // announced once
  EXPECT_NE(printed.find("YOU WON!"), std::string::npos);
  EXPECT_NEAR(frames * 0.05f, 5.05f, 0.06f);
}

// Each time the player walks in too early the HUD says how many are left. With every object
// censored only an eye inside the room upstairs wins: not one just beyond any of its sides nor one
// below its floor.
TEST_F(Gameplay, OnlyTheWinRoomWins) {
  driver.frame();
  const struct {
    glm::vec3 eye;
    int censored;
    bool wins;
    const char* said;  // nullptr: nothing new
  } steps[] = {
      {{5, 8.6f, -15}, 0, false, "13 more to censor before you can win here"},
      {{5, 8.6f, -15}, 1, false, nullptr},
      {{5, 8.6f, -5}, 1, false, nullptr},  // out in the corridor
      {{5, 8.6f, -15}, 1, false, "12 more to censor before you can win here"},
      {{5, 2.6f, -15}, 1, false, nullptr},  // the flat below
      {{5, 2.6f, -15}, 1, false, nullptr},
      {{5, 8.6f, -15}, 13, true, nullptr},
      {{0.5f, 8.6f, -19.5f}, 13, true, nullptr},
      {{13.5f, 8.6f, -10.5f}, 13, true, nullptr},
      {{-0.5f, 8.6f, -15}, 13, false, nullptr},
      {{14.5f, 8.6f, -15}, 13, false, nullptr},
      {{5, 8.6f, -20.5f}, 13, false, nullptr},
      {{5, 8.6f, -9.5f}, 13, false, nullptr},
      {{5, 5.5f, -15}, 13, false, nullptr},
  };
  test::CoutCapture console;
  int posted = 0;
  for (const auto& step : steps) {
    SCOPED_TRACE(std::to_string(step.eye.x) + " " + std::to_string(step.eye.y) + " " +
                 std::to_string(step.eye.z));
    game.hasWon = false;
    game.censoredCount = step.censored;
    world().camera->position = step.eye;
    game.checkWin();
    EXPECT_EQ(game.hasWon, step.wins);
    if (step.said) {
      ++posted;
      EXPECT_STREQ(hud.messageText(0), step.said);
    }
    EXPECT_EQ(hud.messageCount(), posted);
  }
}

TEST_F(Gameplay, StaircaseSwitchesTheLightLayoutAtSixUnits) {
  driver.frame();
  scene::CameraActor& camera = *world().camera;
  test::CoutCapture console;
  camera.position = glm::vec3(18, 6.01f, 0);
  game.checkLightSwitch();
  EXPECT_TRUE(game.lightsSwitched);
  EXPECT_EQ(uniformVec3("pointLights[0].v_position"), glm::vec3(0.4f, 7.2f, 9.0f));
  camera.position = glm::vec3(18, 6.0f, 0);  // exactly six is the lower floor
  game.checkLightSwitch();
  EXPECT_FALSE(game.lightsSwitched);
  EXPECT_EQ(uniformVec3("pointLights[0].v_position"), glm::vec3(20.5f, 2.8f, 15.25f));
  camera.position = glm::vec3(25, 9, 0);  // beside the staircase nothing changes
  game.checkLightSwitch();
  EXPECT_FALSE(game.lightsSwitched);
  EXPECT_EQ(console.text(), "Lights switched!\nLights switched!\n");
  EXPECT_STREQ(hud.messageText(0), "Lights switched!");
}

TEST_F(Gameplay, LongFrameMakesTheFlickerFireInTheNextFrame) {
  driver.frame();
  game.flickerTimerMs = 0;
  const glm::vec3 steady = ::scene().getSpotLight("spot1")->color;
  game.measureFrame(0.6f);
  game.updateLightEvents(0.6f);
  EXPECT_EQ(game.flickerTimerMs, 600u);
  EXPECT_EQ(::scene().getSpotLight("spot1")->color, steady);
  game.measureFrame(0.016f);
  game.updateLightEvents(0.016f);
  EXPECT_EQ(game.flickerTimerMs, 0u);
  const auto spot1 = ::scene().getSpotLight("spot1");
  for (int i = 0; i < 3; ++i) {
    EXPECT_GE(spot1->color[i], 0.0f);
    EXPECT_LE(spot1->color[i], 1.0f);
    EXPECT_NEAR(spot1->direction[i], 2.0f * spot1->color[i] - 1.0f, 1e-6);
  }
  const glm::vec3 spot2 = ::scene().getSpotLight("spot2")->color;
  EXPECT_TRUE(spot2 == glm::vec3(0.0f) || spot2 == glm::vec3(1.0f, 0.9f, 0.8f));
}

TEST_F(Gameplay, UpstairsTheFirstPointLightCirclesItsAxis) {
  driver.frame();
  game.lightsSwitched = true;
  game.checkLightSwitch();  // not on the staircase: the layout stays as it is
  auto point1 = ::scene().getPointLight("point1");
  point1->position = glm::vec3(0.4f, 7.2f, 9.0f);
  for (int i = 0; i < 144; ++i) game.updateLightEvents(0.1f);  // 360 degrees
  EXPECT_NEAR(point1->position.x, 0.4f, 1e-3);
  EXPECT_NEAR(point1->position.z, 9.0f, 1e-3);
  game.updateLightEvents(3.6f);  // a quarter turn
  EXPECT_NEAR(point1->position.y, 7.2f, 1e-5);
  EXPECT_NEAR(std::hypot(point1->position.x, point1->position.z - 9.0f), 0.4f, 1e-4);
  EXPECT_NEAR(point1->position.z, 9.0f - 0.4f, 1e-3);
}

TEST_F(Gameplay, ArmSwingsBetweenZeroAndMinusThirtyAboutItsShoulder) {
  driver.frame();
  auto arm = get("ap4_collegedude_arm_derived");
  auto person = get("ap4_collegedude");
  ASSERT_TRUE(arm && person);
  float lowest = 0.0f;
  float highest = -30.0f;
  for (int i = 0; i < 240; ++i) {
    game.animateArm(1.0f / 60.0f);
    lowest = std::min(lowest, game.armAngle);
    highest = std::max(highest, game.armAngle);
    const glm::vec4 shoulder(0, 3, 0, 1);
    const glm::vec3 armShoulder = glm::vec3(scene::poseToMatrix(arm->getGlobalPose()) * shoulder);
    const glm::vec3 personShoulder =
        glm::vec3(scene::poseToMatrix(person->getGlobalPose()) * shoulder);
    ASSERT_LT(glm::length(armShoulder - personShoulder), 1e-3) << "frame " << i;
  }
  EXPECT_NEAR(lowest, -30.0f, 1.01f);
  EXPECT_NEAR(highest, 0.0f, 1.01f);
}

}  // namespace
}  // namespace vorn
