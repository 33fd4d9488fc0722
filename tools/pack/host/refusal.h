// What stops pack: one line naming what is wrong. Pack then removes what it wrote and
// exits with status 2.
#pragma once

#include <stdexcept>

struct refusal : std::runtime_error {
  using std::runtime_error::runtime_error;
};
