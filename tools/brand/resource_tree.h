// The resource section as a flat list of resources, and back: read from the type, name
// and language directories, and laid out again with every structure aligned.
#pragma once

#include <string>

#include "bytes.h"

namespace brand {

// A directory entry's key: a number, or a name (named entries sort before numbered ones).
struct resource_key {
  bool named = false;
  uint16_t id = 0;
  std::u16string name;
};

bool operator<(const resource_key& a, const resource_key& b);
bool operator==(const resource_key& a, const resource_key& b);

struct resource {
  resource_key type, name, language;
  uint32_t code_page = 0;
  bytes data;
};

constexpr uint16_t rt_icon = 3, rt_string = 6, rt_group_icon = 14, rt_version = 16,
                   rt_manifest = 24;

inline resource_key id_key(uint16_t id) {
  return resource_key{false, id, {}};
}

// The resources of section, which is loaded at rva, in the order the loader searches them;
// throws bad_input when the directories or data entries point outside it, nest wrongly,
// repeat a resource, or could not come from a linker.
std::vector<resource> read_resources(const bytes& section, uint32_t rva);

// A resource section for address rva that holds list, in the order the loader searches.
bytes build_resources(std::vector<resource> list, uint32_t rva);

}  // namespace brand
