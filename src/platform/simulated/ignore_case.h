// Names compared as Windows compares file, variable and registry names.
#pragma once

#include <string>

namespace simulated_os {

// Orders texts by their ASCII-uppercased form.
struct ignore_case_less {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};

}  // namespace simulated_os
