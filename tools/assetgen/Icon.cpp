// The desktop icon: a television set on an apartment wall, its screen covered by an ink blot, and
// the crate that made it flying off. Written as SVG, so one file serves every icon size.

#include <cmath>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>
#include <sstream>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

namespace assetgen {

namespace {

// A blot is a disc with lobes of random size around it and a few loose drops; the random
// generator's fixed seed keeps the file the same from run to run.
void addBlot(std::ostringstream& svg, float cx, float cy, float radius) {
  Random random(26u);
  svg << "<g fill=\"#15121a\">\n";
  svg << "<circle cx=\"" << cx << "\" cy=\"" << cy << "\" r=\"" << radius << "\"/>\n";
  const int lobes = 11;
  for (int i = 0; i < lobes; ++i) {
    const float angle = 6.2831853f * (i + 0.5f * random.next()) / lobes;
    const float distance = radius * (0.7f + 0.35f * random.next());
    const float size = radius * (0.3f + 0.25f * random.next());
    svg << "<circle cx=\"" << cx + distance * std::cos(angle) << "\" cy=\""
        << cy + distance * std::sin(angle) << "\" r=\"" << size << "\"/>\n";
  }
  for (int i = 0; i < 5; ++i) {
    const float angle = 6.2831853f * random.next();
    const float distance = radius * (1.45f + 0.3f * random.next());
    svg << "<circle cx=\"" << cx + distance * std::cos(angle) << "\" cy=\""
        << cy + distance * std::sin(angle) << "\" r=\"" << radius * (0.06f + 0.08f * random.next())
        << "\"/>\n";
  }
  svg << "</g>\n";
}

// The thrown crate, turned a little, with its frame and diagonal brace.
void addCrate(std::ostringstream& svg) {
  svg << "<g transform=\"translate(196 186) rotate(-18)\">\n"
         "<rect x=\"-34\" y=\"-34\" width=\"68\" height=\"68\" rx=\"4\" fill=\"#b9874c\" "
         "stroke=\"#5a3a1c\" stroke-width=\"5\"/>\n"
         "<rect x=\"-24\" y=\"-24\" width=\"48\" height=\"48\" fill=\"none\" stroke=\"#7a5128\" "
         "stroke-width=\"4\"/>\n"
         "<line x1=\"-24\" y1=\"24\" x2=\"24\" y2=\"-24\" stroke=\"#7a5128\" stroke-width=\"7\"/>\n"
         "</g>\n";
}

}  // namespace

bool writeIcon(const std::string& path) {
  std::ostringstream svg;
  svg << std::fixed << std::setprecision(2);
  svg << "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"256\" height=\"256\" "
         "viewBox=\"0 0 256 256\">\n"
         "<rect x=\"8\" y=\"8\" width=\"240\" height=\"240\" rx=\"36\" fill=\"#c9b89a\"/>\n"
         "<path d=\"M8 184 H248 V212 A36 36 0 0 1 212 248 H44 A36 36 0 0 1 8 212 Z\" "
         "fill=\"#6b4a32\"/>\n"
         // the television: cabinet, screen, stand
         "<rect x=\"40\" y=\"44\" width=\"150\" height=\"116\" rx=\"12\" fill=\"#2e2f36\"/>\n"
         "<rect x=\"54\" y=\"56\" width=\"122\" height=\"92\" rx=\"6\" fill=\"#7fb6d9\"/>\n"
         "<rect x=\"98\" y=\"160\" width=\"34\" height=\"24\" fill=\"#2e2f36\"/>\n";
  addBlot(svg, 112.0f, 102.0f, 30.0f);
  addCrate(svg);
  svg << "</svg>\n";

  const std::filesystem::path target(path);
  if (!makeDirectories(target.parent_path().string())) return false;
  std::ofstream file(target, std::ios::binary | std::ios::trunc);
  file << svg.str();
  if (!file.flush()) {
    std::cerr << "ERROR: cannot write " << path << std::endl;
    return false;
  }
  return true;
}

}  // namespace assetgen
