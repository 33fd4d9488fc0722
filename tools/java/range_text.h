// A version range of the registry search as the check's warnings write it: 1.6.0-1.7.0.
#pragma once

#include <string>

#include "runtime/runtime_search.h"

std::string range_text(version lower, version upper);
