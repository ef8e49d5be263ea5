#pragma once

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <string>

#include <gtest/gtest.h>
#include <unistd.h>

namespace vorn::test {

// A directory of the test's own under the build tree ("scratch/<prefix>_<suite>.<test>"), made
// empty at construction and removed with everything in it at destruction. It is named after the
// running test, not the process, so that the child process of a death test (which runs the test
// again) writes and names the same paths; a test makes at most one per prefix.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix)
      : path(std::filesystem::path(BLOTWISE_BINARY_DIR) / "scratch" / ownName(prefix)) {
    std::filesystem::remove_all(path);  // whatever a crashed run left behind
    std::filesystem::create_directories(path);
  }
  ~ScratchDirectory() {
    std::error_code ignored;  // a destructor must not throw; a leftover only wastes space
    std::filesystem::remove_all(path, ignored);
  }
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The path of a file in the directory (which need not exist).
  std::string file(const std::string& name) const { return (path / name).string(); }

  // Writes the bytes as they are, making any missing parent directories; returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const {
    const std::filesystem::path target = path / name;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary | std::ios::trunc) << bytes;
    return target.string();
  }

  const std::filesystem::path path;

 private:
  static std::string ownName(const std::string& prefix) {
    const testing::TestInfo* test = testing::UnitTest::GetInstance()->current_test_info();
    std::string name = prefix + "_" +
                       (test ? std::string(test->test_suite_name()) + "." + test->name()
                             : std::to_string(::getpid()));
    std::replace(name.begin(), name.end(), '/', '_');  // parameterised tests
    return name;
  }
};

}  // namespace vorn::test
