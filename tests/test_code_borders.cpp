// The folders of the code include one another in one direction only: the libraries never reach up
// into the application, and each library only into those below it.
#include <filesystem>
#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <string>

#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

// Each folder and the folders besides itself whose headers its files may include.
const std::map<std::string, std::set<std::string>> kMayInclude = {
    {"base", {}},
    {"assets", {"base"}},
    // The physics world's filter rule and trigger record read the scene objects its actors carry.
    {"physics", {"base", "scene"}},
    {"scene", {"base", "assets", "physics"}},
    {"render", {"base", "assets", "scene"}},
    {"app", {"base", "assets", "physics", "scene", "render"}},
};

TEST(CodeBorders, EveryIncludeRunsInAnAllowedDirection) {
  const std::regex include(R"(^\s*#\s*include\s*"([^/"]+)/)");
  int checked = 0;
  for (const auto& [folder, allowed] : kMayInclude) {
    for (const auto& entry : fs::directory_iterator(fs::path(BLOTWISE_SOURCE_DIR) / folder)) {
      std::ifstream source(entry.path());
      int lineNumber = 0;
      for (std::string line; std::getline(source, line);) {
        ++lineNumber;
        std::smatch match;
        if (!std::regex_search(line, match, include)) continue;
        ++checked;
        EXPECT_TRUE(match[1] == folder || allowed.count(match[1]) > 0)
            << entry.path().string() << ":" << lineNumber << ": " << line;
      }
    }
  }
  EXPECT_GT(checked, 100) << "the source tree was found";
}

}  // namespace
