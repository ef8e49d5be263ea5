// Writes the game's key list from its toggle table: `keydoc --readme README.md` rewrites the
// README's key table in place, `keydoc --roff` prints the list for the manual page.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/Toggles.h"

namespace {

int rewriteReadme(const char* file) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  std::string readme = text.str();
  if (!in || !vorn::replaceKeySection(readme)) {
    std::cerr << "ERROR: no key section in " << file << std::endl;
    return 1;
  }
  std::ofstream(file, std::ios::binary) << readme;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--readme") == 0) return rewriteReadme(argv[2]);
  if (argc == 2 && std::strcmp(argv[1], "--roff") == 0) {
    std::cout << vorn::keyListRoff();
    return 0;
  }
  std::cerr << "usage: keydoc --readme README.md | --roff" << std::endl;
  return 2;
}
