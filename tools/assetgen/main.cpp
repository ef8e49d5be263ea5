// Writes every model, material library, image and sound the game loads into "<run dir>/Resources",
// and the desktop icon into "<run dir>/Icon".
// The output depends on nothing but this program, so repeated runs give byte-identical files.

#include <iostream>
#include <string>
#include <utility>

#include "tools/assetgen/Generators.h"
#include "tools/assetgen/ModelBuilder.h"

int main(int argc, char** argv) {
  if (argc != 2 || std::string(argv[1]).empty()) {
    std::cerr << "ERROR: usage: assetgen <run directory>" << std::endl;
    return 1;
  }
  const std::string resourcesDir = std::string(argv[1]) + "/Resources";
  if (!assetgen::makeDirectories(resourcesDir)) return 1;

  const std::pair<const char*, assetgen::Generator> generators[] = {
      {"basics", assetgen::writeBasics},           {"building", assetgen::writeBuilding},
      {"furniture", assetgen::writeFurniture},     {"people", assetgen::writePeople},
      {"censorables", assetgen::writeCensorables}, {"sounds", assetgen::writeSounds},
  };
  bool ok = true;
  for (const auto& [name, generate] : generators) {
    if (!generate(resourcesDir)) {
      std::cerr << "ERROR: generating the " << name << " failed" << std::endl;
      ok = false;
    }
  }
  if (!assetgen::writeIcon(std::string(argv[1]) + "/Icon/blotwise.svg")) {
    std::cerr << "ERROR: generating the icon failed" << std::endl;
    ok = false;
  }
  return ok ? 0 : 1;
}
