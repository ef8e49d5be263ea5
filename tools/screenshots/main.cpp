// Renders the game from chosen spots and writes each frame as a PNG: for looking at the level
// and the HUD without playing it. Run it in the game's run directory under a display (xvfb-run
// works).
//
//   screenshots [options] <out dir> [x y z yaw pitch name]...      one PNG per spot (feet, degrees)
//   screenshots [options] --sheet <file.png> [x y z yaw pitch name]...  the same laid out three
//                                                                  by three in one picture
//
// Options: --size WIDTHxHEIGHT (800x600 unless given), --overlay (the F1 help overlay shown).
//
// Without spots, the pictures are those of the room sheet: every apartment, the staircase and
// both corridors at eye height.
//
// Each picture's figures are printed beside it: mean luminance (Rec. 709 weights on the 8-bit
// values, of 255), the share of pixels with a channel at 250 or more, and the standard deviation
// of the luminance (how much contrast is left).
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include <FreeImage.h>
#include <GL/glew.h>
#include <glm/gtc/matrix_transform.hpp>

#include "app/World.h"
#include "render/LightSetup.h"
#include "scene/CameraActor.h"
#include "scene/SceneRegistry.h"
#include "support/GameDriver.h"

namespace {

// The window's size, from --size.
int kWidth = 800;
int kHeight = 600;

struct View {
  glm::vec3 feet;
  float yaw;
  float pitch;
  std::string name;
};

// The rooms of the sheet, row by row: the ground floor, the upper floor, then the staircase and
// the two corridors.
const std::vector<View> kSheetViews = {
    {{8.0f, 0.0f, 10.5f}, 25.0f, -8.0f, "apartment1"},
    {{9.0f, 0.0f, -10.0f}, 200.0f, -8.0f, "apartment2"},
    {{-1.0f, 0.0f, 10.0f}, 150.0f, -8.0f, "apartment3"},
    {{-6.5f, 0.0f, -9.0f}, 230.0f, -5.0f, "apartment4"},
    {{12.0f, 6.0f, 14.0f}, 190.0f, -5.0f, "apartment5"},
    {{6.0f, 6.0f, -15.0f}, 170.0f, -5.0f, "apartment6"},
    {{21.8f, 3.0f, -1.5f}, 180.0f, 15.0f, "staircase"},
    {{14.0f, 0.0f, 0.0f}, 180.0f, -3.0f, "corridor_ground"},
    {{14.0f, 6.0f, 0.0f}, 180.0f, -3.0f, "corridor_upper"},
};

struct Picture {
  std::vector<unsigned char> bgr;  // bottom row first, as GL reads it
};

Picture readFrame() {
  Picture picture;
  picture.bgr.resize(static_cast<size_t>(kWidth) * kHeight * 3);
  glPixelStorei(GL_PACK_ALIGNMENT, 1);
  glReadBuffer(GL_BACK);  // software swaps copy, so the back buffer still holds the frame
  glReadPixels(0, 0, kWidth, kHeight, GL_BGR, GL_UNSIGNED_BYTE, picture.bgr.data());
  return picture;
}

void printFigures(const std::string& name, const Picture& picture) {
  double sum = 0.0, sumSquares = 0.0;
  size_t clipped = 0;
  const size_t pixels = picture.bgr.size() / 3;
  for (size_t i = 0; i < pixels; ++i) {
    const unsigned char* p = &picture.bgr[i * 3];
    const double luminance = 0.0722 * p[0] + 0.7152 * p[1] + 0.2126 * p[2];
    sum += luminance;
    sumSquares += luminance * luminance;
    if (p[0] >= 250 || p[1] >= 250 || p[2] >= 250) ++clipped;
  }
  const double mean = sum / pixels;
  const double deviation = std::sqrt(std::max(0.0, sumSquares / pixels - mean * mean));
  std::printf("%-16s mean luminance %5.1f  clipped %5.2f %%  contrast (deviation) %5.1f\n",
              name.c_str(), mean, 100.0 * clipped / pixels, deviation);
}

FIBITMAP* toBitmap(const Picture& picture) {
  return FreeImage_ConvertFromRawBits(const_cast<unsigned char*>(picture.bgr.data()), kWidth,
                                      kHeight, kWidth * 3, 24, FI_RGBA_RED_MASK, FI_RGBA_GREEN_MASK,
                                      FI_RGBA_BLUE_MASK, false);
}

bool savePng(FIBITMAP* image, const std::string& path) {
  const bool saved = image && FreeImage_Save(FIF_PNG, image, path.c_str(), 0);
  if (!saved) std::fprintf(stderr, "ERROR: could not write %s\n", path.c_str());
  return saved;
}

// Upstairs the game runs the switched light layout (the staircase switches it on the way up).
void lightFloorOf(vorn::test::GameDriver& driver, const glm::vec3& feet) {
  const bool upstairs = feet.y > 3.0f;
  if (driver.game.lightsSwitched == upstairs) return;
  driver.game.lightsSwitched = upstairs;
  vorn::setupLights(*vorn::world().lightingShader, scene(), upstairs);
}

// Carries the player to the view's spot: a picture needs no walk there.
void placeCamera(const View& view) {
  vorn::scene::CameraActor& camera = *vorn::world().camera;
  camera.transform(glm::translate(glm::mat4(1.0f), view.feet), false);
  camera.jumping = false;
  camera.yaw = view.yaw;
  camera.pitch = view.pitch;
}

Picture render(vorn::test::GameDriver& driver, const View& view) {
  lightFloorOf(driver, view.feet);
  placeCamera(view);
  driver.runUntil([] { return false; }, 0.3f);  // the capsule settles on the floor
  Picture picture = readFrame();
  printFigures(view.name, picture);
  return picture;
}

int writeSheet(vorn::test::GameDriver& driver, const std::vector<View>& views,
               const std::string& path) {
  constexpr int kColumns = 3;
  const int cellWidth = kWidth / 2, cellHeight = kHeight / 2;
  const int rows = (static_cast<int>(views.size()) + kColumns - 1) / kColumns;
  FIBITMAP* sheet = FreeImage_Allocate(cellWidth * kColumns, cellHeight * rows, 24);
  for (size_t i = 0; i < views.size(); ++i) {
    FIBITMAP* full = toBitmap(render(driver, views[i]));
    FIBITMAP* cell = FreeImage_Rescale(full, cellWidth, cellHeight, FILTER_BILINEAR);
    const int column = static_cast<int>(i) % kColumns, row = static_cast<int>(i) / kColumns;
    FreeImage_Paste(sheet, cell, column * cellWidth, row * cellHeight, 256);
    FreeImage_Unload(cell);
    FreeImage_Unload(full);
  }
  const bool saved = savePng(sheet, path);
  FreeImage_Unload(sheet);
  return saved ? 0 : 1;
}

int writePictures(vorn::test::GameDriver& driver, const std::vector<View>& views,
                  const std::string& directory) {
  int status = 0;
  for (const View& view : views) {
    FIBITMAP* image = toBitmap(render(driver, view));
    if (!savePng(image, directory + "/" + view.name + ".png")) status = 1;
    FreeImage_Unload(image);
  }
  return status;
}

}  // namespace

// Reads --size and --overlay; returns the index of the first argument after them, or argc when an
// option is not one we know.
int readOptions(int argc, char** argv, bool& overlay) {
  int first = 1;
  for (; first < argc && std::strncmp(argv[first], "--", 2) == 0; ++first) {
    if (std::strcmp(argv[first], "--overlay") == 0) {
      overlay = true;
    } else if (std::strcmp(argv[first], "--size") == 0 && first + 1 < argc &&
               std::sscanf(argv[first + 1], "%dx%d", &kWidth, &kHeight) == 2 && kWidth > 0 &&
               kHeight > 0) {
      ++first;
    } else if (std::strcmp(argv[first], "--sheet") == 0) {
      break;
    } else {
      return argc;
    }
  }
  return first;
}

int main(int argc, char** argv) {
  bool overlay = false;
  const int first = readOptions(argc, argv, overlay);
  const bool sheet = first + 1 < argc && std::strcmp(argv[first], "--sheet") == 0;
  const int firstSpot = sheet ? first + 2 : first + 1;
  if (first >= argc || firstSpot > argc || (argc - firstSpot) % 6 != 0) {
    std::fprintf(stderr,
                 "usage: %s [--size WIDTHxHEIGHT] [--overlay] <out dir> [x y z yaw pitch name]...\n"
                 "       %s [--size WIDTHxHEIGHT] [--overlay] --sheet <file.png> [x y z yaw pitch "
                 "name]...\n",
                 argv[0], argv[0]);
    return 2;
  }
  std::vector<View> views;
  for (int i = firstSpot; i + 5 < argc; i += 6) {
    views.push_back({{std::atof(argv[i]), std::atof(argv[i + 1]), std::atof(argv[i + 2])},
                     static_cast<float>(std::atof(argv[i + 3])),
                     static_cast<float>(std::atof(argv[i + 4])),
                     argv[i + 5]});
  }
  if (views.empty()) views = kSheetViews;

  vorn::test::CoutCapture quiet;  // the game's console lines would scatter through the figures
  vorn::test::GameDriver driver(kWidth, kHeight);
  driver.game.showHelp = overlay;
  driver.runUntil([] { return false; }, 1.0f);
  return sheet ? writeSheet(driver, views, argv[first + 1])
               : writePictures(driver, views, argv[first]);
}
