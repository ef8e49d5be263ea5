#pragma once

#include <algorithm>
#include <array>

struct GLFWwindow;
struct ImFont;

namespace vorn {

class Game;
struct AimMark;

// What the player sees over the picture: a crosshair at the centre, the censored count, short
// messages that fade, the win banner with the seconds until the game closes, and with F1 an
// overlay of keys, toggles and statistics. Dear ImGui draws it into the default frame buffer as
// the last step of a frame, filled also in wire-frame mode. It takes no input: the game reads the
// keyboard and mouse itself, and the HUD's time is the game's frame time. Dear ImGui's GLFW
// back-end installs no callbacks (the game registers none) and never reads the window or its
// input: a press that GLFW keeps for the game (sticky keys and buttons) is never taken by the HUD.
class Hud {
 public:
  Hud(GLFWwindow* window, int width, int height);
  ~Hud();
  Hud(const Hud&) = delete;
  Hud& operator=(const Hud&) = delete;

  // Shows the message at the top of the screen for a few seconds; it then fades out. While the
  // screen holds its most, a new message waits and the oldest one shown fades out early for it.
  void post(const char* message);
  // Ages the messages by dt, notes the frame time and lays the HUD out for the game's state.
  void update(const Game& game, float dt);
  // Draws what update laid out.
  void render();

  // What the counter and the win banner's second line showed in the last frame laid out.
  const char* counterText() const { return counter; }
  const char* closingText() const { return closing; }
  // The messages on screen, newest first, and how visible each is (1 opaque, 0 gone).
  int messageCount() const { return shownMessages(); }
  const char* messageText(int i) const { return shown(i).text; }
  float messageAlpha(int i) const;
  // The message posted last, on screen or waiting; "" when none is left.
  const char* newestText() const { return queuedMessages ? messages[queuedMessages - 1].text : ""; }
  // Messages posted but not yet on screen.
  int waitingCount() const { return queuedMessages - shownMessages(); }

 private:
  struct Message {
    char text[64];
    float age;
  };

  // Oldest first: the first kMaxShown of the queue are on screen, the rest wait.
  int shownMessages() const { return std::min(queuedMessages, kMaxShown); }
  const Message& shown(int newestFirst) const {
    return messages[shownMessages() - 1 - newestFirst];
  }
  void dropOldest();

  void drawCrosshair();
  void drawAimMark(const AimMark& aim);
  void drawCounter(const Game& game);
  void drawMessages();
  void drawWinBanner(const Game& game);
  void drawHelpHint();
  void drawOverlay(const Game& game);

  static constexpr int kMaxShown = 4;
  static constexpr int kMaxQueued = 16;
  static constexpr int kFrameHistory = 240;

  bool ready = false;
  bool platformReady = false;
  int width;
  int height;
  float margin;
  ImFont* body = nullptr;
  ImFont* banner = nullptr;
  char counter[32] = "";
  char closing[48] = "";
  std::array<Message, kMaxQueued> messages{};
  int queuedMessages = 0;
  std::array<float, kFrameHistory> frameTimes{};
  int nextFrameTime = 0;
};

}  // namespace vorn
