// Renders the game from chosen spots and writes each frame as a PNG: for looking at the level
// and the HUD without playing. Usage:
//   screenshots [--size WIDTHxHEIGHT] [--overlay] <out dir> [x y z yaw pitch name]...
// (800x600 unless given; --overlay shows the F1 help overlay). Run it in the game's run
// directory under a display (xvfb-run works).
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>

#include "support/GameDriver.h"

namespace {

bool savePng(const std::string& path, int width, int height) {
  std::vector<unsigned char> pixels(static_cast<size_t>(width) * height * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);  // software swaps copy, so the back buffer still holds the frame
  glReadPixels(0, 0, width, height, GL_BGR, GL_UNSIGNED_BYTE, pixels.data());
  FIBITMAP* image = FreeImage_ConvertFromRawBits(pixels.data(), width, height, width * 3, 24,
                                                 FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                                 FI_RGBA_BLUE_MASK, false);
  const bool saved = image && FreeImage_Save(FIF_PNG, image, path.c_str(), 0);
  FreeImage_Unload(image);
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  int width = 800;
  int height = 600;
  bool overlay = false;
  int first = 1;
  for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
    if (std::strcmp(argv[first], "--overlay") == 0) overlay = true;
    else if (std::strcmp(argv[first], "--size") == 0 && first + 1 < argc &&
             std::sscanf(argv[first + 1], "%dx%d", &width, &height) == 2 && width > 0 && height > 0)
      ++first;
    else first = argc;  // not an option we know: the usage below
  }
  if (first >= argc || (argc - first - 1) % 6 != 0) {
    std::fprintf(stderr,
                 "usage: %s [--size WIDTHxHEIGHT] [--overlay] <out dir> [x y z yaw pitch name]...\n",
                 argv[0]);
    return 2;
  }
  vorn::test::GameDriver driver(width, height);
  driver.game.showHelp = overlay;
  driver.runUntil([] { return false; }, 1.0f);
  for (int i = first + 1; i + 5 < argc; i += 6) {
    const glm::vec3 feet(std::atof(argv[i]), std::atof(argv[i + 1]), std::atof(argv[i + 2]));
    const float yaw = static_cast<float>(std::atof(argv[i + 3]));
    const float pitch = static_cast<float>(std::atof(argv[i + 4]));
    driver.standAt(feet, yaw, pitch);
    driver.runUntil([] { return false; }, 0.3f);
    driver.look(yaw, pitch);
    driver.frame();
    driver.look(yaw, pitch);
    driver.frame();
    const std::string path = std::string(argv[first]) + "/" + argv[i + 5] + ".png";
    std::printf("%s: feet at (%.2f, %.2f, %.2f)\n", path.c_str(), driver.feet().x,
                driver.feet().y, driver.feet().z);
    if (!savePng(path, width, height)) std::fprintf(stderr, "ERROR: could not write %s\n", path.c_str());
  }
  return 0;
}
