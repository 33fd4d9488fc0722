// How the option readers report a usage error: one line in *problem, and false.
#pragma once

#include <string>

inline bool fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}
