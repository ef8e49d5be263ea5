#pragma once

#include <cstddef>
#include <string>

namespace vorn {

class Game;

// A key as the overlay and the manuals list it.
struct KeyHelp {
  const char* key;
  const char* action;
};

// The state texts of a toggle, from an array of them.
struct StateTexts {
  const char* const* texts;
  int count;
};

// One key that flips a setting: its key, the change, the console message and the state text the
// overlay shows. The input, the overlay and the generated key lists all read this table, in order.
struct Toggle {
  int key;              // GLFW key code
  const char* keyName;  // as the player reads it
  const char* label;    // what it switches
  // The message is this text, ": " and the new state's text; without one the toggle is silent.
  const char* message;
  StateTexts states;            // by the value stateOf gives
  int (*stateOf)(const Game&);  // index into states
  void (*change)(Game&);        // before the message
  void (*afterMessage)(Game&);  // or nullptr
  bool needsSoundDevice;        // the overlay says "no device" without one
};

extern const KeyHelp kPlainKeys[];
extern const std::size_t kPlainKeyCount;
extern const Toggle kToggles[];
extern const std::size_t kToggleCount;

// "Wire Frame: On" and the like: the message after the toggle changed its setting.
std::string toggleMessage(const Toggle& toggle, const Game& game);
// The overlay's state text.
const char* toggleState(const Toggle& toggle, const Game& game);

// Every key with its action and, for a toggle, its states: a Markdown table for the README and a
// list of roff paragraphs for the manual page.
std::string keyTableMarkdown();
std::string keyListRoff();
// Puts keyTableMarkdown() between the README's two key markers; false when they are missing.
bool replaceKeySection(std::string& readme);
constexpr const char* kKeySectionStart = "<!-- keys: written by keydoc from app/Toggles.cpp -->\n";
constexpr const char* kKeySectionEnd = "<!-- end of keys -->\n";

}  // namespace vorn
