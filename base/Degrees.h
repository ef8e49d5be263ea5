#pragma once

namespace vorn {

// Angles are kept in degrees and turned into radians with this factor just before a matrix or a
// sine is built.
constexpr float kRadiansPerDegree = 0.017453292f;

}  // namespace vorn
