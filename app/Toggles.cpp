#include "app/Toggles.h"

#include <algorithm>
#include <cstring>
#include <iterator>

#include <GL/glew.h>
#include <GLFW/glfw3.h>

#include "app/Game.h"
#include "app/Sounds.h"
#include "app/World.h"

namespace vorn {

namespace {

template <std::size_t N>
constexpr StateTexts texts(const char* const (&states)[N]) {
  return {states, static_cast<int>(N)};
}

const char* const kOnOffTexts[] = {"Off", "On"};
const char* const kSamplingTexts[] = {"Nearest Neighbor", "Bilinear"};
const char* const kMipmappingTexts[] = {"Off", "Nearest Neighbor", "Linear"};  // by mode + 1
constexpr StateTexts kOnOff = texts(kOnOffTexts);
constexpr StateTexts kSampling = texts(kSamplingTexts);
constexpr StateTexts kMipmapping = texts(kMipmappingTexts);

int nextMipmapMode(int mode) {
  if (mode == kMipmapOff) return kMipmapNearest;
  if (mode == kMipmapNearest) return kMipmapLinear;
  return kMipmapOff;
}

std::string stateList(const Toggle& t) {
  std::string list;
  for (int i = 0; i < t.states.count; ++i)
    list += (i ? " / " : "") + std::string(t.states.texts[i]);
  return list;
}

}  // namespace

const KeyHelp kPlainKeys[] = {
    {"W A S D", "walk"},
    {"Space", "jump"},
    {"Mouse", "look around"},
    {"Left button", "throw a box"},
    {"Tab", "count everything as censored"},
    {"Escape", "quit"},
};
const std::size_t kPlainKeyCount = std::size(kPlainKeys);

const Toggle kToggles[] = {
    {GLFW_KEY_F1, "F1", "help overlay", nullptr, kOnOff,
     [](const Game& g) { return int{g.showHelp}; }, [](Game& g) { g.showHelp = !g.showHelp; },
     nullptr, false},
    {GLFW_KEY_F2, "F2", "frame time on the console", "Frame Time", kOnOff,
     [](const Game& g) { return int{g.showFrameTime}; },
     [](Game& g) {
       g.showFrameTime = !g.showFrameTime;
       if (g.showFrameTime) g.frameTimeMs = g.frameCount = 0;
     },
     nullptr, false},
    {GLFW_KEY_F3, "F3", "wire frame", "Wire Frame", kOnOff,
     [](const Game& g) { return int{g.wireframe}; }, [](Game& g) { g.wireframe = !g.wireframe; },
     [](Game& g) { glPolygonMode(GL_FRONT_AND_BACK, g.wireframe ? GL_LINE : GL_FILL); }, false},
    {GLFW_KEY_F4, "F4", "texture sampling", "Texture Sampling Quality", kSampling,
     [](const Game& g) { return int{g.bilinearFiltering}; },
     [](Game& g) { g.bilinearFiltering = !g.bilinearFiltering; }, nullptr, false},
    {GLFW_KEY_F5, "F5", "mip-mapping", "MipMapping Quality", kMipmapping,
     [](const Game& g) { return std::clamp(g.mipmapMode - kMipmapOff, 0, 2); },
     [](Game& g) { g.mipmapMode = nextMipmapMode(g.mipmapMode); }, nullptr, false},
    {GLFW_KEY_F6, "F6", "sound", "Sound", kOnOff, [](const Game& g) { return int{g.soundEnabled}; },
     [](Game& g) {
       g.soundEnabled = !g.soundEnabled;
       world().sounds->setEnabled(g.soundEnabled);
     },
     nullptr, true},
    {GLFW_KEY_F7, "F7", "effects (shadows, bloom)", "Effects", kOnOff,
     [](const Game& g) { return int{g.effectsEnabled}; },
     [](Game& g) { g.effectsEnabled = !g.effectsEnabled; }, nullptr, false},
    {GLFW_KEY_F8, "F8", "view-frustum culling", "View-Frustum Culling", kOnOff,
     [](const Game& g) { return int{g.frustumCulling}; },
     [](Game& g) { g.frustumCulling = !g.frustumCulling; }, nullptr, false},
    {GLFW_KEY_F9, "F9", "transparency", "Transparency", kOnOff,
     [](const Game& g) { return int{g.transparencyEnabled}; },
     [](Game& g) { g.transparencyEnabled = !g.transparencyEnabled; }, nullptr, false},
};
const std::size_t kToggleCount = std::size(kToggles);

std::string toggleMessage(const Toggle& toggle, const Game& game) {
  return std::string(toggle.message) + ": " + toggle.states.texts[toggle.stateOf(game)];
}

const char* toggleState(const Toggle& toggle, const Game& game) {
  if (toggle.needsSoundDevice && !game.hasSoundDevice()) return "no device";
  return toggle.states.texts[toggle.stateOf(game)];
}

std::string keyTableMarkdown() {
  std::string table = "| Key | Action | States |\n|---|---|---|\n";
  for (std::size_t i = 0; i < kPlainKeyCount; ++i)
    table += std::string("| ") + kPlainKeys[i].key + " | " + kPlainKeys[i].action + " | |\n";
  for (std::size_t i = 0; i < kToggleCount; ++i)
    table += std::string("| ") + kToggles[i].keyName + " | " + kToggles[i].label + " | " +
             stateList(kToggles[i]) + " |\n";
  return table;
}

std::string keyListRoff() {
  std::string list;
  for (std::size_t i = 0; i < kPlainKeyCount; ++i)
    list += std::string(".TP\n.B ") + kPlainKeys[i].key + "\n" + kPlainKeys[i].action + "\n";
  for (std::size_t i = 0; i < kToggleCount; ++i)
    list += std::string(".TP\n.B ") + kToggles[i].keyName + "\n" + kToggles[i].label + " (" +
            stateList(kToggles[i]) + ")\n";
  return list;
}

bool replaceKeySection(std::string& readme) {
  const std::size_t start = readme.find(kKeySectionStart);
  const std::size_t end = readme.find(kKeySectionEnd);
  if (start == std::string::npos || end == std::string::npos || end < start) return false;
  const std::size_t from = start + std::strlen(kKeySectionStart);
  readme.replace(from, end - from, keyTableMarkdown());
  return true;
}

}  // namespace vorn
