#include "runtime/runtime_search.h"

int64_t version_diff(version a, version b) {
  // 64-bit weights: no component value can overflow them.
  auto weight = [](version v) {
    return int64_t{v.major} * 10000 + int64_t{v.minor} * 100 + int64_t{v.micro};
  };
  return weight(a) - weight(b);
}

bool version_in_range(version v, version lower, version upper) {
  return version_diff(v, lower) >= 0 && version_diff(v, upper) <= 0;
}

int64_t candidate_count(version lower, version upper) {
  if (lower.major != upper.major) return (int64_t{upper.major} - lower.major + 1) * 100;
  if (lower.minor == upper.minor) return int64_t{upper.micro} - lower.micro + 1;
  return (int64_t{upper.minor} - lower.minor + 1) * 10;
}
