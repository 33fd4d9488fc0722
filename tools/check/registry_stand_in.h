// The registry search of tavrin-check: it reads no registry, and stands for whatever
// runtime the target machine has registered in the range.
#pragma once

#include "runtime/runtime_search.h"

struct asked_search {
  bool asked;
  version lower;
  version upper;
};

// The search the launcher asked for during this run, if any.
asked_search registry_search_asked();
