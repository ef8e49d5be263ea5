#pragma once

#include <cstdint>

namespace bench {

// Milliseconds spent inside the library calls of one start-up part: wall time, and the calling
// thread's CPU time, which a load on a shared machine leaves as it is.
struct PartTime {
  double wall = 0.0;
  double cpu = 0.0;
};

// The time inside the library calls of each start-up part since the last reset.
struct StartupParts {
  PartTime import;    // Assimp reading and post-processing model files
  PartTime decoding;  // FreeImage reading and converting images
  PartTime cooking;   // Bullet building triangle-mesh trees and convex hulls
  PartTime shaders;   // compiling and linking GLSL
  PartTime uploads;   // buffer and texture data
};

StartupParts& startupParts();

// While muted, the GL calls of the frame passes return at once: what the passes then take is the
// game's own CPU work, without the driver's.
void muteFrameGl(bool muted);

// Calls of the frame's GL entry points made so far, muted or not: draw calls and all others.
struct GlCallCounts {
  uint64_t draws = 0;
  uint64_t others = 0;
};
GlCallCounts glCallCounts();

}  // namespace bench
