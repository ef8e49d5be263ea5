#pragma once

#include <string>
#include <unordered_map>

namespace vorn {

// What read() makes of each file, made once per path and kept as long as the cache: later requests
// for the path get the same record without touching the file again.
template <typename Record, Record (*read)(const std::string& path)>
class FileCache {
 public:
  const Record& get(const std::string& path) {
    auto found = records.find(path);
    if (found == records.end()) found = records.emplace(path, read(path)).first;
    return found->second;  // a node of the map: it stays where it is while others are added
  }

 private:
  std::unordered_map<std::string, Record> records;
};

}  // namespace vorn
