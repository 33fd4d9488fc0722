#include "string_table.h"

#include <algorithm>
#include <array>

namespace brand {
namespace {

constexpr char malformed[] = "has a malformed string table";
constexpr uint16_t neutral = 0;

using block = std::array<std::u16string, 16>;

block read_block(const bytes& data) {
  block b;
  size_t at = 0;
  for (std::u16string& text : b) {
    uint16_t length = u16_at(data, at, malformed);
    for (uint16_t i = 0; i < length; ++i) text += u16_at(data, at + 2 + 2 * i, malformed);
    at += 2 + 2 * size_t{length};
  }
  return b;
}

bytes build_block(const block& b) {
  bytes out;
  for (const std::u16string& text : b) {
    if (text.size() > 0xFFFF) throw bad_input("has a string over 65535 units");
    append_le(out, text.size(), 2);
    append_utf16(out, text);
  }
  return out;
}

// The neutral block of the table that holds string id.
std::vector<resource>::const_iterator find_block(const std::vector<resource>& list, uint16_t id) {
  resource_key name = id_key(static_cast<uint16_t>(id / 16 + 1));
  return std::find_if(list.begin(), list.end(), [&](const resource& r) {
    return r.type == id_key(rt_string) && r.name == name && r.language == id_key(neutral);
  });
}

}  // namespace

std::u16string table_string(const std::vector<resource>& list, uint16_t id) {
  auto found = find_block(list, id);
  return found == list.end() ? u"" : read_block(found->data)[id % 16];
}

void set_table_strings(std::vector<resource>& list,
                       const std::vector<std::pair<uint16_t, std::u16string>>& strings) {
  for (const auto& [id, text] : strings) {
    auto found = list.begin() + (find_block(list, id) - list.cbegin());
    if (found == list.end()) {
      found = list.insert(list.end(), resource{id_key(rt_string),
                                               id_key(static_cast<uint16_t>(id / 16 + 1)),
                                               id_key(neutral),
                                               0,
                                               {}});
    }
    block b = found->data.empty() ? block{} : read_block(found->data);
    b[id % 16] = text;
    if (std::all_of(b.begin(), b.end(), [](const std::u16string& t) { return t.empty(); }))
      list.erase(found);
    else
      found->data = build_block(b);
  }
}

}  // namespace brand
