#pragma once

namespace vorn {

// The game's sound files, in this folder of the run directory, where the asset generator writes
// them.
constexpr const char* kSoundFolder = "Resources/Sound/";
constexpr const char* kThrowSound = "throw.wav";
constexpr const char* kCensorSound = "bleep.wav";
constexpr const char* kWinSound = "jingle.wav";
constexpr const char* kLightSwitchSound = "clunk.wav";
constexpr const char* kFlickerSound = "crackle.wav";

}  // namespace vorn
