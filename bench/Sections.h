#pragma once

namespace bench {

// Game construction to the first frame shown, and the library work inside it.
void startUpSection();
// The phases of a frame with effects on and off, their allocations, the game's own CPU work and
// the frame against a bare loop of the same GL calls.
void frameSection();
// The physics step and the frame with many thrown boxes resting in the building.
void scaleSection();

void printHeading(const char* heading);
// One figure: a name, the value with its unit, and a remark.
void printFigure(const char* name, double value, const char* unit, const char* remark = "");
// A figure held against its target, value < limit (or <= limit when inclusive).
void printTarget(const char* name, double value, const char* unit, double limit,
                 bool inclusive = false);

}  // namespace bench
