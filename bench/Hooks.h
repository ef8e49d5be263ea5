#pragma once

#include <cstdint>

namespace bench {

// Milliseconds spent inside the library calls of each start-up part since the last reset.
struct StartupParts {
  double import = 0.0;    // Assimp reading and post-processing model files
  double decoding = 0.0;  // FreeImage reading and converting images
  double cooking = 0.0;   // Bullet building triangle-mesh trees and convex hulls
  double shaders = 0.0;   // compiling and linking GLSL
  double uploads = 0.0;   // buffer and texture data, mipmap generation
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
