// The application manifest's requested execution level.
#pragma once

#include "bytes.h"

namespace brand {

// The manifest with the level attribute of its requestedExecutionLevel element set to
// level, every other byte kept; throws bad_input when it has no such attribute.
bytes with_execution_level(const bytes& manifest, const std::string& level);

}  // namespace brand
