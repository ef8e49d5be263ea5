#include "app/Hud.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <iostream>

#include <backends/imgui_impl_glfw.h>
#include <backends/imgui_impl_opengl3.h>
#include <imgui.h>

#include "app/Game.h"
#include "app/Toggles.h"
#include "scene/LevelLayout.h"

namespace vorn {

namespace {

constexpr float kMessageSeconds = 3.5f;  // on screen, the last second of it fading
constexpr float kFadeSeconds = 1.0f;
constexpr float kReadSeconds = 1.5f;  // shown fully at least this long, also when others wait
const char* const kBodyFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";
const char* const kBannerFont = "/usr/share/fonts/truetype/dejavu/DejaVuSans-Bold.ttf";

const ImU32 kWhite = IM_COL32(255, 255, 255, 255);
const ImU32 kShade = IM_COL32(0, 0, 0, 150);
const ImU32 kWinGreen = IM_COL32(90, 240, 110, 255);

ImU32 faded(ImU32 colour, float alpha) {
  const auto a = static_cast<ImU32>(((colour >> IM_COL32_A_SHIFT) & 0xFF) * alpha);
  return (colour & ~IM_COL32_A_MASK) | (a << IM_COL32_A_SHIFT);
}

// The font file, or Dear ImGui's own plain font when the system has none.
ImFont* loadFont(const char* file, float size) {
  ImGuiIO& io = ImGui::GetIO();
  if (std::FILE* probe = std::fopen(file, "rb")) {
    std::fclose(probe);
    if (ImFont* font = io.Fonts->AddFontFromFileTTF(file, size)) return font;
  }
  ImFontConfig config;
  config.SizePixels = size;
  return io.Fonts->AddFontDefault(&config);
}

// Text centred on x with a rounded dark backdrop.
void shadedText(ImDrawList& list, ImFont* font, float x, float y, ImU32 colour, float alpha,
                const char* text) {
  const ImVec2 size = font->CalcTextSizeA(font->FontSize, FLT_MAX, 0.0f, text);
  const float pad = font->FontSize * 0.4f;
  const ImVec2 at(std::floor(x - size.x / 2), y);
  list.AddRectFilled(ImVec2(at.x - pad, at.y - pad * 0.5f),
                     ImVec2(at.x + size.x + pad, at.y + size.y + pad * 0.5f), faded(kShade, alpha),
                     pad);
  list.AddText(font, font->FontSize, at, faded(colour, alpha), text);
}

}  // namespace

Hud::Hud(GLFWwindow* window, int width, int height) : width(width), height(height) {
  ImGui::CreateContext();
  ImGuiIO& io = ImGui::GetIO();
  io.IniFilename = nullptr;  // nothing is stored
  io.LogFilename = nullptr;
  io.ConfigFlags |= ImGuiConfigFlags_NoMouse | ImGuiConfigFlags_NoMouseCursorChange;
  // The window keeps its size for the whole run.
  io.DisplaySize = ImVec2(static_cast<float>(width), static_cast<float>(height));

  // Sizes follow the window height: 20 pixels of text at 600 lines, 24 at 720.
  const float textSize = std::clamp(std::round(height / 30.0f), 13.0f, 48.0f);
  margin = std::round(textSize * 0.6f);
  body = loadFont(kBodyFont, textSize);
  banner = loadFont(kBannerFont, std::round(textSize * 3.0f));

  ImGui::StyleColorsDark();
  ImGuiStyle& style = ImGui::GetStyle();
  style.WindowRounding = 6.0f;
  style.WindowPadding = ImVec2(margin, margin);
  style.Colors[ImGuiCol_WindowBg].w = 0.88f;

  platformReady = ImGui_ImplGlfw_InitForOpenGL(window, false);
  ready = platformReady && ImGui_ImplOpenGL3_Init("#version 330 core") &&
          ImGui_ImplOpenGL3_CreateDeviceObjects();
  if (!ready) std::cerr << "ERROR: the HUD cannot draw: no OpenGL for Dear ImGui" << std::endl;
}

Hud::~Hud() {
  if (ready) ImGui_ImplOpenGL3_Shutdown();
  if (platformReady) ImGui_ImplGlfw_Shutdown();
  ImGui::DestroyContext();
}

void Hud::post(const char* message) {
  // Only a message that has been on screen makes room, so none goes unseen.
  if (queuedMessages == kMaxQueued) dropOldest();
  Message& added = messages[queuedMessages++];
  std::snprintf(added.text, sizeof added.text, "%s", message);
  added.age = 0.0f;
}

void Hud::dropOldest() {
  std::copy(messages.begin() + 1, messages.begin() + queuedMessages, messages.begin());
  --queuedMessages;
}

float Hud::messageAlpha(int i) const {
  return std::clamp((kMessageSeconds - shown(i).age) / kFadeSeconds, 0.0f, 1.0f);
}

void Hud::update(const Game& game, float dt) {
  for (int i = 0; i < shownMessages(); ++i) messages[i].age += dt;
  // A waiting message hurries the oldest one shown once it could be read: it starts fading then,
  // twice as fast.
  if (queuedMessages > kMaxShown && messages[0].age >= kReadSeconds) {
    messages[0].age = std::max(messages[0].age + dt, kMessageSeconds - kFadeSeconds);
  }
  while (queuedMessages > 0 && messages[0].age >= kMessageSeconds) dropOldest();
  frameTimes[nextFrameTime] = dt * 1000.0f;
  nextFrameTime = (nextFrameTime + 1) % kFrameHistory;
  std::snprintf(counter, sizeof counter, "Censored %d / %d", game.censoredCount,
                scene::kCensorableCount);
  if (!ready) return;

  ImGui_ImplOpenGL3_NewFrame();
  // Not the GLFW back-end's frame: it would ask the X server for the window's size twice a frame
  // (round trips that allocate), though that size never changes, and read the mouse, which the
  // HUD does not take; and it times frames by the wall clock, where the HUD's time is the game's.
  ImGui::GetIO().DeltaTime = std::max(dt, 1e-6f);  // ImGui needs time to pass
  ImGui::NewFrame();
  drawCrosshair();
  if (game.aim.found) drawAimMark(game.aim);
  drawCounter(game);
  drawMessages();
  if (game.hasWon) drawWinBanner(game);
  if (game.showHelp) drawOverlay(game);
  else drawHelpHint();
  ImGui::Render();
}

// Dear ImGui's OpenGL 3 back-end keeps the state it changes (program, textures, blending, cull
// face, depth and scissor tests, viewport, polygon mode) and gives it back after drawing; it
// draws filled, also while the game draws its wire frame.
void Hud::render() {
  if (ready) ImGui_ImplOpenGL3_RenderDrawData(ImGui::GetDrawData());
}

// A plus sign on the screen's centre line, where a thrown box flies out: two white bars two
// pixels wide with a dark rim, so it shows on light and dark walls alike.
void Hud::drawCrosshair() {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  const float cx = static_cast<float>(width / 2);
  const float cy = static_cast<float>(height / 2);
  const float arm = std::round(std::max(6.0f, height / 60.0f));
  const auto bars = [&](float grow, ImU32 colour) {
    list.AddRectFilled(ImVec2(cx - 1 - grow, cy - arm - grow),
                       ImVec2(cx + 1 + grow, cy + arm + grow), colour);
    list.AddRectFilled(ImVec2(cx - arm - grow, cy - 1 - grow),
                       ImVec2(cx + arm + grow, cy + 1 + grow), colour);
  };
  bars(1.0f, kShade);
  bars(0.0f, kWhite);
}

// Where a box thrown now first touches something, on the crosshair's vertical line: a short bar,
// and over a censorable object still to censor a green ring around it.
void Hud::drawAimMark(const AimMark& aim) {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  const float cx = static_cast<float>(width / 2);
  const float y = std::round(aim.screenY);
  const float half = std::round(std::max(4.0f, height / 100.0f));
  const ImU32 colour = aim.onTarget ? kWinGreen : kWhite;
  list.AddRectFilled(ImVec2(cx - half - 1, y - 2), ImVec2(cx + half + 1, y + 2), kShade);
  list.AddRectFilled(ImVec2(cx - half, y - 1), ImVec2(cx + half, y + 1), colour);
  if (aim.onTarget) {
    list.AddCircle(ImVec2(cx, y), half * 1.6f + 1, kShade, 16, 4.0f);
    list.AddCircle(ImVec2(cx, y), half * 1.6f + 1, colour, 16, 2.0f);
  }
}

void Hud::drawCounter(const Game& game) {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  const ImVec2 size = body->CalcTextSizeA(body->FontSize, FLT_MAX, 0.0f, counter);
  const float pad = body->FontSize * 0.4f;
  const ImVec2 at(margin + pad, margin + pad * 0.5f);
  list.AddRectFilled(ImVec2(margin, margin), ImVec2(at.x + size.x + pad, at.y + size.y + pad),
                     kShade, pad);
  // Progress along the bottom of the box, green once everything is censored.
  const float done =
      std::min(1.0f, game.censoredCount / static_cast<float>(scene::kCensorableCount));
  const float barTop = at.y + size.y + pad * 0.5f;
  list.AddRectFilled(ImVec2(at.x, barTop), ImVec2(at.x + size.x * done, barTop + 2.0f),
                     done >= 1.0f ? kWinGreen : kWhite);
  list.AddText(body, body->FontSize, at, kWhite, counter);
}

void Hud::drawMessages() {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  float y = margin + body->FontSize * 0.2f;
  for (int i = 0; i < shownMessages(); ++i) {
    shadedText(list, body, width / 2.0f, y, kWhite, messageAlpha(i), shown(i).text);
    y += body->FontSize * 1.6f;
  }
}

void Hud::drawWinBanner(const Game& game) {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  const float y = std::round(height * 0.27f);
  shadedText(list, banner, width / 2.0f, y, kWinGreen, 1.0f, "YOU WON!");
  const uint32_t leftMs =
      game.winTimerMs >= kCloseAfterWinMs ? 0 : kCloseAfterWinMs - game.winTimerMs;
  std::snprintf(closing, sizeof closing, "The game closes in %u s", (leftMs + 999) / 1000);
  shadedText(list, body, width / 2.0f, y + banner->FontSize * 1.4f, kWhite, 1.0f, closing);
}

void Hud::drawHelpHint() {
  ImDrawList& list = *ImGui::GetBackgroundDrawList();
  list.AddText(body, body->FontSize, ImVec2(margin, height - margin - body->FontSize),
               IM_COL32(255, 255, 255, 150), "F1  help");
}

void Hud::drawOverlay(const Game& game) {
  ImGui::PushFont(body);
  ImGui::SetNextWindowPos(ImVec2(width / 2.0f, height / 2.0f), ImGuiCond_Always,
                          ImVec2(0.5f, 0.5f));
  ImGui::Begin("Blotwise - keys and statistics", nullptr,
               ImGuiWindowFlags_AlwaysAutoResize | ImGuiWindowFlags_NoInputs |
                   ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings);

  auto row = [](const char* key, const char* action, const char* state) {
    ImGui::TableNextRow();
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(key);
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(action);
    ImGui::TableNextColumn();
    const bool off = std::strcmp(state, "Off") == 0 || std::strcmp(state, "no device") == 0;
    ImGui::TextColored(off ? ImVec4(1.0f, 0.55f, 0.45f, 1.0f) : ImVec4(0.5f, 0.95f, 0.55f, 1.0f),
                       "%s", state);
  };
  if (ImGui::BeginTable("keys", 3, ImGuiTableFlags_RowBg | ImGuiTableFlags_SizingFixedFit)) {
    for (std::size_t i = 0; i < kPlainKeyCount; ++i)
      row(kPlainKeys[i].key, kPlainKeys[i].action, "");
    for (std::size_t i = 0; i < kToggleCount; ++i)
      row(kToggles[i].keyName, kToggles[i].label, toggleState(kToggles[i], game));
    ImGui::EndTable();
  }

  ImGui::Separator();
  float sum = 0.0f;
  float slowest = 0.0f;
  for (float ms : frameTimes) {
    sum += ms;
    slowest = std::max(slowest, ms);
  }
  char graphLabel[64];
  std::snprintf(graphLabel, sizeof graphLabel, "frame time: %.1f ms average, %.1f ms slowest",
                sum / kFrameHistory, slowest);
  ImGui::PlotLines("##frames", frameTimes.data(), kFrameHistory, nextFrameTime, graphLabel, 0.0f,
                   std::max(34.0f, slowest * 1.1f),
                   ImVec2(ImGui::GetContentRegionAvail().x, body->FontSize * 4.0f));
  ImGui::Text("Objects drawn %d    Boxes thrown %d    %s", game.objectsDrawn, game.boxCount,
              counter);
  ImGui::End();
  ImGui::PopFont();
}

}  // namespace vorn
