#include "support/ScratchDirectory.h"

#include <algorithm>
#include <fstream>

#include <gtest/gtest.h>
#include <unistd.h>

namespace vorn::test {

namespace fs = std::filesystem;

namespace {

std::string ownName(const std::string& prefix) {
  const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
  std::string name = prefix + "_" +
                     (test ? std::string(test->test_suite_name()) + "." + test->name()
                           : std::to_string(::getpid()));
  std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
  return name;
}

}  // namespace

ScratchDirectory::ScratchDirectory(const std::string& prefix)
    : path(fs::path(BLOTWISE_BINARY_DIR) / "scratch" / ownName(prefix)) {
  fs::remove_all(path);  // whatever a crashed run left behind
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
