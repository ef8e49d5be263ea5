#pragma once

#include <filesystem>
#include <string>

namespace vorn::test {

// A directory of the test's own under the build tree ("scratch/<prefix>_<suite>.<test>"), made
// empty at construction and removed with everything in it at destruction. It is named after the
// running test, not the process, so that the child process of a death test (which runs the test
// again) writes and names the same paths; a test makes at most one per prefix.
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
