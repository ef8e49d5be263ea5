#pragma once

#include <filesystem>
#include <string>

namespace vorn::test {

// A directory of the test's own under the temp directory ("blotwise_<prefix>_<pid>", so parallel
// test processes never share one), made empty at construction and removed with everything in it
// at destruction.
class ScratchDirectory {
 public:
  explicit ScratchDirectory(const std::string& prefix);
  ~ScratchDirectory();
  ScratchDirectory(const ScratchDirectory&) = delete;
  ScratchDirectory& operator=(const ScratchDirectory&) = delete;

  // The path of a file in the directory (which need not exist).
  std::string file(const std::string& name) const;
  // Writes the bytes as they are, making any missing parent directories; returns the file's path.
  std::string write(const std::string& name, const std::string& bytes) const;

  const std::filesystem::path path;
};

}  // namespace vorn::test
