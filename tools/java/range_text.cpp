#include "range_text.h"

namespace {

std::string version_text(version v) {
  return std::to_string(v.major) + "." + std::to_string(v.minor) + "." + std::to_string(v.micro);
}

}  // namespace

std::string range_text(version lower, version upper) {
  return version_text(lower) + "-" + version_text(upper);
}
