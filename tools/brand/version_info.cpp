#include "version_info.h"

#include <algorithm>

namespace brand {
namespace {

constexpr char malformed[] = "has a malformed version resource";

// A block: length, value length, type, zero-ended key, then (4-aligned) value and children.
struct block {
  size_t start, end, value, value_length;
  std::u16string key;
};

block read_block(const bytes& r, size_t start, size_t limit) {
  block b{start, start + u16_at(r, start, malformed), 0, u16_at(r, start + 2, malformed), {}};
  if (b.end > limit || b.end < start + 6) throw bad_input(malformed);
  size_t at = start + 6;
  for (char16_t c; (c = u16_at(r, at, malformed)) != 0; at += 2) b.key += c;
  b.value = align_up(at + 2, 4);
  return b;
}

// Calls f for each child block of the blocks in [from, end).
template <typename F>
void for_each_block(const bytes& r, size_t from, size_t end, F f) {
  for (size_t at = align_up(from, 4); at + 6 <= end;) {
    block b = read_block(r, at, end);
    f(b);
    at = align_up(b.end, 4);
  }
}

uint16_t hex_number(const std::u16string& text) {
  uint16_t value = 0;
  for (char16_t c : text) {
    int digit = c >= '0' && c <= '9'   ? c - '0'
                : c >= 'A' && c <= 'F' ? c - 'A' + 10
                : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                       : -1;
    if (digit < 0) throw bad_input(malformed);
    value = static_cast<uint16_t>(value << 4 | digit);
  }
  return value;
}

void read_table(const bytes& r, const block& table, version_info& info) {
  if (table.key.size() != 8) throw bad_input(malformed);
  info.language = hex_number(table.key.substr(0, 4));
  info.code_page = hex_number(table.key.substr(4));
  for_each_block(r, table.value, table.end, [&](const block& s) {
    std::u16string value;
    for (size_t at = s.value; at + 2 <= s.end; at += 2) {
      char16_t c = u16_at(r, at, malformed);
      if (c == 0) break;
      value += c;
    }
    info.strings.emplace_back(s.key, value);
  });
}

size_t begin_block(bytes& out, const std::u16string& key, size_t value_length, uint16_t type) {
  pad_to(out, 4);
  size_t start = out.size();
  append_le(out, 0, 2);
  append_le(out, value_length, 2);
  append_le(out, type, 2);
  append_utf16(out, key);
  append_le(out, 0, 2);
  pad_to(out, 4);
  return start;
}

void end_block(bytes& out, size_t start) {
  if (out.size() - start > 0xFFFF)
    throw bad_input("version texts too long for a version resource (65535 bytes in all)");
  put_le(out, start, out.size() - start, 2);
}

std::u16string hex4(uint16_t value) {
  std::u16string text;
  for (int shift = 12; shift >= 0; shift -= 4) text += u"0123456789ABCDEF"[value >> shift & 0xF];
  return text;
}

}  // namespace

version_info read_version(const bytes& resource) {
  version_info info;
  block root = read_block(resource, 0, resource.size());
  if (root.key != u"VS_VERSION_INFO") throw bad_input(malformed);
  if (root.value_length == 4 * info.fixed.size())
    for (size_t i = 0; i < info.fixed.size(); ++i)
      info.fixed[i] = u32_at(resource, root.value + 4 * i, malformed);
  bool table_read = false;
  for_each_block(resource, root.value + root.value_length, root.end, [&](const block& child) {
    if (child.key != u"StringFileInfo") return;
    for_each_block(resource, child.value, child.end, [&](const block& table) {
      if (!table_read) read_table(resource, table, info);
      table_read = true;
    });
  });
  return info;
}

void set_string(version_info& info, const std::u16string& key, const std::u16string& value) {
  auto found = std::find_if(info.strings.begin(), info.strings.end(),
                            [&](const auto& s) { return s.first == key; });
  if (found != info.strings.end())
    found->second = value;
  else
    info.strings.emplace_back(key, value);
}

void set_versions(version_info& info, const std::array<uint16_t, 4>& v) {
  info.fixed[2] = info.fixed[4] = uint32_t{v[0]} << 16 | v[1];
  info.fixed[3] = info.fixed[5] = uint32_t{v[2]} << 16 | v[3];
}

bytes build_version(const version_info& info) {
  bytes out;
  size_t root = begin_block(out, u"VS_VERSION_INFO", 4 * info.fixed.size(), 0);
  for (uint32_t field : info.fixed) append_le(out, field, 4);
  size_t file_info = begin_block(out, u"StringFileInfo", 0, 1);
  size_t table = begin_block(out, hex4(info.language) + hex4(info.code_page), 0, 1);
  for (const auto& [key, value] : info.strings) {
    size_t s = begin_block(out, key, value.size() + 1, 1);
    append_utf16(out, value);
    append_le(out, 0, 2);
    end_block(out, s);
  }
  end_block(out, table);
  end_block(out, file_info);
  size_t var_info = begin_block(out, u"VarFileInfo", 0, 1);
  size_t translation = begin_block(out, u"Translation", 4, 0);
  append_le(out, info.language, 2);
  append_le(out, info.code_page, 2);
  end_block(out, translation);
  end_block(out, var_info);
  end_block(out, root);
  return out;
}

}  // namespace brand
