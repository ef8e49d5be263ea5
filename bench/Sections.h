#pragma once

namespace bench {

// Game construction to the first frame shown, and the library work inside it.
void startUpSection();
// The phases of a frame with effects on and off, their allocations, the game's own CPU work and
// the frame against a bare loop of the same GL calls.
void frameSection();
// The physics step and the frame with many thrown boxes resting in the building.
void scaleSection();

// One line of figures: a name, a value with its unit and what it is held against.
void printRow(const char* name, double value, const char* unit, const char* target = "");
void printHeading(const char* heading);

}  // namespace bench
