#pragma once

#include <algorithm>
#include <chrono>
#include <vector>

namespace bench {

inline double nowMs() {
  return std::chrono::duration<double, std::milli>(
             std::chrono::steady_clock::now().time_since_epoch())
      .count();
}

// The middle value (the upper one of an even count); runs of a benchmark are summed up by it so
// one disturbed run does not move the figure.
inline double median(std::vector<double> values) {
  if (values.empty()) return 0.0;
  const auto middle = values.begin() + static_cast<std::ptrdiff_t>(values.size() / 2);
  std::nth_element(values.begin(), middle, values.end());
  return *middle;
}

}  // namespace bench
