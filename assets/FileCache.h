#pragma once

#include <future>
#include <mutex>
#include <string>
#include <unordered_map>

namespace vorn {

// What read() makes of each file, made once per path and kept as long as the cache: later requests
// for the path get the same record without touching the file again. Requests may come from more
// than one thread: the first to ask for a path reads the file, and any other asking meanwhile
// waits for that read.
template <typename Record, Record (*read)(const std::string& path)>
class FileCache {
 public:
  const Record& get(const std::string& path) { return entry(path).get(); }

 private:
  const std::shared_future<Record>& entry(const std::string& path) {
    std::lock_guard<std::mutex> lock(mutex);
    auto found = records.find(path);
    if (found == records.end())
      found = records.emplace(path, std::async(std::launch::deferred, read, path).share()).first;
    return found->second;  // a node of the map: it stays where it is while others are added
  }

  std::mutex mutex;
  std::unordered_map<std::string, std::shared_future<Record>> records;
};

}  // namespace vorn
