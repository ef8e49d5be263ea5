// The whole game for a long while, played through the keys and the mouse: every object censored by
// thrown boxes; five minutes of game time of random walking, jumping, looking, hundreds of thrown
// boxes and every render toggle all over the building; then the win room, the window closing
// itself, and the teardown. Run under AddressSanitizer, UndefinedBehaviorSanitizer and
// LeakSanitizer, where any report fails the run.
#include <dlfcn.h>
#include <link.h>
#include <sanitizer/asan_interface.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <mutex>
#include <random>
#include <string>
#include <vector>

#include <GLFW/glfw3.h>
#include <gtest/gtest.h>

#include "app/World.h"
#include "scene/CameraActor.h"
#include "scene/LevelLayout.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"
#include "support/PlayerBot.h"

namespace vorn {
namespace {

using test::GameDriver;

constexpr float kSoakSeconds = 300.0f;
constexpr float kFiddleSeconds = 8.0f;
constexpr float kWalkReach = 15.0f;  // how far the random walks go at a time
constexpr float kCoarseFrame = 1.0f / 30.0f;

bool finite(const glm::vec3& v) {
  return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z);
}

// Mesa's driver keeps a few records of its own reachable only from its own globals. The game's
// teardown (glfwTerminate) unloads it, and LeakSanitizer, no longer able to read those globals,
// would report the records as leaked. Kept loaded until the process ends, the driver is scanned
// like any other library, and every leak the sanitizer reports is one of ours.
void keepGlDriverLoaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* library, size_t, void*) {
        if (std::strstr(library->dlpi_name, "_dri.so"))
          dlopen(library->dlpi_name, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
}

}  // namespace
}  // namespace vorn

#if defined(__SANITIZE_ADDRESS__)
// Every draw of llvmpipe allocates a vertex buffer of a few hundred kilobytes and frees it at the
// end of the draw. AddressSanitizer gives each block that large a mapping of its own and unmaps it
// when it leaves quarantine, so every draw faults in fresh pages, and unmapping them interrupts the
// driver's other threads; on machines where that is dear it was most of the soak's time. Freed
// blocks of that size are kept here, poisoned as the sanitizer would keep them, and handed to the
// next request they fit: a read or write of a kept block is still reported, and so is a second
// free. Everything else goes to the sanitizer's allocator as before.
extern "C" {
void* __interceptor_malloc(size_t size);
void __interceptor_free(void* block);
int __sanitizer_get_ownership(const volatile void* block);
size_t __sanitizer_get_allocated_size(const volatile void* block);
}

// The sanitizer knows the loader's allocations, which stay reachable only through the loader's own
// records, by the loader calling it straight; with malloc above standing between, it is told here.
extern "C" const char* __lsan_default_suppressions() { return "leak:ld-linux-x86-64.so\n"; }

namespace {

constexpr size_t kLargeBlock = size_t{128} << 10;  // the sanitizer maps anything from here on
constexpr size_t kLargestKept = size_t{4} << 20;
constexpr size_t kGranule = size_t{64} << 10;  // request sizes rounded up, so blocks fit again

struct KeptBlocks {
  std::mutex lock;
  void* blocks[16] = {};
  size_t sizes[16] = {};
  int next = 0;  // the slot a new block takes, the oldest once all are full
};
KeptBlocks kept;

}  // namespace

// Not instrumented: the loader calls them before the sanitizer has mapped its shadow memory.
extern "C" __attribute__((no_sanitize("address"))) void* malloc(size_t size) {
  if (size < kLargeBlock || size > kLargestKept) return __interceptor_malloc(size);
  {
    std::lock_guard<std::mutex> hold(kept.lock);
    int best = -1;
    for (int i = 0; i < 16; ++i) {
      if (kept.blocks[i] && kept.sizes[i] >= size && (best < 0 || kept.sizes[i] < kept.sizes[best]))
        best = i;
    }
    if (best >= 0) {
      void* block = kept.blocks[best];
      kept.blocks[best] = nullptr;
      // The part beyond the request stays poisoned, as past the end of a block of its own.
      ASAN_UNPOISON_MEMORY_REGION(block, size);
      return block;
    }
  }
  const size_t rounded = (size + kGranule - 1) / kGranule * kGranule;
  char* block = static_cast<char*>(__interceptor_malloc(rounded));
  if (block) ASAN_POISON_MEMORY_REGION(block + size, rounded - size);
  return block;
}

extern "C" __attribute__((no_sanitize("address"))) void free(void* block) {
  const size_t size =
      block && __sanitizer_get_ownership(block) ? __sanitizer_get_allocated_size(block) : 0;
  if (size < kLargeBlock || size > kLargestKept) return __interceptor_free(block);
  void* oldest = nullptr;
  {
    std::lock_guard<std::mutex> hold(kept.lock);
    for (void* other : kept.blocks) {
      if (other == block) {
        __interceptor_free(block);  // freed twice: the sanitizer reports it on the second free
        __interceptor_free(block);
      }
    }
    ASAN_POISON_MEMORY_REGION(block, size);
    oldest = kept.blocks[kept.next];
    kept.blocks[kept.next] = block;
    kept.sizes[kept.next] = size;
    kept.next = (kept.next + 1) % 16;
  }
  if (oldest) __interceptor_free(oldest);
}
#endif

namespace vorn {
namespace {

class Soak : public ::testing::Test {
 protected:
  Soak() { keepGlDriverLoaded(); }

  // Random play for the given game time: the player walks to a random waypoint, plays there at
  // random for a while (each stretch of up to one and a half seconds holds its own keys, mouse
  // movement and button; now and then a render toggle is pressed or a frame takes long), then
  // retraces its steps to the waypoint and walks on to the next.
  void playRandomly(float seconds) {
    const test::WaypointGraph& graph = test::WaypointGraph::building();
    for (float played = 0.0f; played < seconds;) {
      std::vector<int> near;
      for (int spot = 0; spot < static_cast<int>(graph.spots.size()); ++spot)
        if (spot != bot.at && graph.distance(bot.at, spot) < kWalkReach) near.push_back(spot);
      const float walkStart = bot.time;
      if (!bot.walkTo(graph.spots[near[random() % near.size()]].name)) ++lost;
      played += bot.time - walkStart;
      std::vector<glm::vec3> trail;
      played += fiddle(kFiddleSeconds, trail);
      switchTo(game.effectsEnabled, false, GLFW_KEY_F7);  // the walks are cheaper to draw without
      const float retraceStart = bot.time;
      if (!bot.follow({trail.rbegin(), trail.rend()})) ++lost;
      played += bot.time - retraceStart;
    }
  }

  // A way back from where the feet went, points half a unit apart; a loop is cut where the feet
  // come back to an earlier point.
  static void extendTrail(std::vector<glm::vec3>& trail, const glm::vec3& feet) {
    const auto back = std::find_if(trail.begin(), trail.end(), [&](const glm::vec3& point) {
      return glm::distance(point, feet) < 0.5f;
    });
    if (back == trail.end()) trail.push_back(feet);
    else trail.erase(back + 1, trail.end());
  }

  // Random input for a while; the trail gets where the feet went.
  float fiddle(float seconds, std::vector<glm::vec3>& trail) {
    static const int kToggles[] = {GLFW_KEY_F1, GLFW_KEY_F2, GLFW_KEY_F3, GLFW_KEY_F4, GLFW_KEY_F5,
                                   GLFW_KEY_F6, GLFW_KEY_F7, GLFW_KEY_F8, GLFW_KEY_F9};
    auto& input = *driver.input;
    float time = 0.0f;
    trail.push_back(driver.feet());
    while (time < seconds) {
      input.keys.clear();
      for (int key : {GLFW_KEY_W, GLFW_KEY_A, GLFW_KEY_S, GLFW_KEY_D})
        if (unit() < 0.35f) input.keys.insert(key);
      if (unit() < 0.15f) input.keys.insert(GLFW_KEY_SPACE);
      input.buttons.clear();
      if (unit() < 0.4f) input.buttons.insert(GLFW_MOUSE_BUTTON_LEFT);
      const double lookX = std::floor(unit() * 7.0f) - 3.0;
      const double lookY = std::floor(unit() * 5.0f) - 2.0;
      const int toggle = unit() < 0.3f ? kToggles[random() % std::size(kToggles)] : 0;
      const float stretch = 0.1f + 1.4f * unit();
      for (float held = 0.0f; held < stretch;) {
        const float dt = frameTime(unit());
        input.cursorX = driver.game.width / 2 + lookX;
        input.cursorY = driver.game.height / 2 + lookY;
        if (toggle != 0 && held == 0.0f) input.keys.insert(toggle);
        driver.frame(dt);
        input.keys.erase(toggle);
        extendTrail(trail, driver.feet());
        held += dt;
        time += dt;
        ++frames;
      }
    }
    input.keys.clear();
    input.buttons.clear();
    return time;
  }

  float unit() { return std::uniform_real_distribution<float>(0.0f, 1.0f)(random); }

  // Mostly 30 frames a second, some faster frames and, rarely, a stall of a fifth of a second.
  static float frameTime(float chance) {
    if (chance < 0.02f) return 0.2f;
    if (chance < 0.2f) return 1.0f / 120.0f;
    if (chance < 0.4f) return 1.0f / 60.0f;
    return 1.0f / 30.0f;
  }

  // Presses the toggle's key until the toggle stands as wanted.
  void switchTo(const bool& toggle, bool wanted, int key) {
    for (int tries = 0; tries < 3 && toggle != wanted; ++tries) bot.press(key);
    ASSERT_EQ(toggle, wanted);
  }

  void expectEveryRegisteredObjectPlaced() {
    int boxes = 0;
    for (const ObjectMap* objects : {&::scene().opaque(), &::scene().transparent()}) {
      for (const auto& [name, object] : *objects) {
        const bool box = name.rfind("box", 0) == 0;
        boxes += box;
        ASSERT_TRUE(object->hasPose()) << name << " is registered without a body";
        EXPECT_TRUE(finite(object->getGlobalPose().p)) << name;
      }
    }
    std::printf("%d boxes lie in the world\n", boxes);
  }

  std::mt19937 random{20240611};
  GameDriver driver{160, 120};
  Game& game = driver.game;
  test::PlayerBot bot{driver, kCoarseFrame};
  int frames = 0;
  int lost = 0;  // walks that got stuck
};

TEST_F(Soak, PlayThroughThenFiveMinutesOfRandomPlayThenTheEnd) {
  const auto start = std::chrono::steady_clock::now();
  const double startTime = driver.clock->time;
  test::CoutCapture console;

  // The play-through, without the effects that cost the most to draw: every censorable object gets
  // its box.
  bot.press(GLFW_KEY_F7);
  EXPECT_TRUE(bot.censorAll());
  EXPECT_EQ(game.censoredCount, scene::kCensorableCount);
  std::printf("%s\n", bot.summary().c_str());
  const int playThroughBoxes = game.boxCount;

  // Hundreds of boxes on censored objects count nothing more.
  playRandomly(kSoakSeconds);
  EXPECT_GE(game.boxCount - playThroughBoxes, 200);
  EXPECT_EQ(game.censoredCount, scene::kCensorableCount);
  for (const scene::LevelEntry& entry : scene::levelLayout()) {
    if (!scene::isCensorable(entry.name)) continue;
    const auto object = ::scene().get(entry.name);  // the censored model keeps the key
    ASSERT_TRUE(object) << entry.name;
    EXPECT_EQ(object->getName(), std::string(entry.name) + "_censored");
  }
  expectEveryRegisteredObjectPlaced();
  EXPECT_TRUE(finite(world().camera->position));

  // The end: into the win room, and the game closes itself.
  switchTo(game.wireframe, false, GLFW_KEY_F3);
  switchTo(game.effectsEnabled, true, GLFW_KEY_F7);
  EXPECT_TRUE(bot.win());
  EXPECT_NE(console.text().find("YOU WON!"), std::string::npos);
  expectEveryRegisteredObjectPlaced();

  const double wall =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  std::printf("soak: %d random frames, %.0f s game time, %d boxes thrown, %d walks stuck; %.0f s\n",
              frames, driver.clock->time - startTime, game.boxCount, lost, wall);
}

}  // namespace
}  // namespace vorn
