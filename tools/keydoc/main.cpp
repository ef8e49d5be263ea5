// Writes the game's key list from its toggle table: `keydoc --readme README.md` rewrites the
// README's key table in place, `keydoc --man PAGE OUT` writes the manual page with its list.
#include <cstring>
#include <fstream>
#include <iostream>
#include <sstream>
#include <string>

#include "app/Toggles.h"

namespace {

constexpr const char* kManualKeyLine = ".\\\" keys: written by keydoc from app/Toggles.cpp\n";

bool readFile(const char* file, std::string& text) {
  std::ifstream in(file, std::ios::binary);
  std::stringstream content;
  content << in.rdbuf();
  text = content.str();
  return static_cast<bool>(in);
}

int rewriteReadme(const char* file) {
  std::string readme;
  if (!readFile(file, readme) || !vorn::replaceKeySection(readme)) {
    std::cerr << "ERROR: no key section in " << file << std::endl;
    return 1;
  }
  std::ofstream(file, std::ios::binary) << readme;
  return 0;
}

// The page's marker line becomes the key list.
int writeManualPage(const char* page, const char* out) {
  std::string text;
  const std::size_t at = readFile(page, text) ? text.find(kManualKeyLine) : std::string::npos;
  if (at == std::string::npos) {
    std::cerr << "ERROR: no key line in " << page << std::endl;
    return 1;
  }
  text.replace(at, std::strlen(kManualKeyLine), vorn::keyListRoff());
  std::ofstream(out, std::ios::binary) << text;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc == 3 && std::strcmp(argv[1], "--readme") == 0) return rewriteReadme(argv[2]);
  if (argc == 4 && std::strcmp(argv[1], "--man") == 0) return writeManualPage(argv[2], argv[3]);
  std::cerr << "usage: keydoc --readme README.md | --man PAGE OUT" << std::endl;
  return 2;
}
