#include "support/ScratchDirectory.h"

#include <fstream>

#include <unistd.h>

namespace vorn::test {

namespace fs = std::filesystem;

ScratchDirectory::ScratchDirectory(const std::string& prefix)
    : path(fs::temp_directory_path() /
           ("blotwise_" + prefix + "_" + std::to_string(::getpid()))) {
  fs::remove_all(path);  // whatever a crashed run with the same pid left behind
  fs::create_directories(path);
}

ScratchDirectory::~ScratchDirectory() {
  std::error_code ignored;  // a destructor must not throw; a leftover only wastes space
  fs::remove_all(path, ignored);
}

std::string ScratchDirectory::file(const std::string& name) const { return (path / name).string(); }

std::string ScratchDirectory::write(const std::string& name, const std::string& bytes) const {
  const fs::path target = path / name;
  fs::create_directories(target.parent_path());
  std::ofstream(target, std::ios::binary | std::ios::trunc) << bytes;
  return target.string();
}

}  // namespace vorn::test
