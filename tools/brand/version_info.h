// The version resource: read from what the image has, and built again as one string table
// with the Translation that names its language and code page.
#pragma once

#include <array>
#include <string>
#include <utility>

#include "bytes.h"

namespace brand {

struct version_info {
  uint16_t language = 0x0409, code_page = 0x04B0;  // U.S. English, UTF-16
  // The fixed file information: signature, structure version, file and product versions
  // (high and low halves), flags mask, flags, OS, type, subtype, date (high and low).
  std::array<uint32_t, 13> fixed = {0xFEEF04BD, 0x10000, 0, 0, 0, 0, 0x3F, 0, 0x40004, 1};
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // key, value, in order
};

// The fixed information and first string table of a version resource; throws bad_input
// when its blocks do not nest within their lengths.
version_info read_version(const bytes& resource);

// Sets the string key, in place if the table has it, else at the end.
void set_string(version_info& info, const std::u16string& key, const std::u16string& value);

// Sets the fixed file and product versions to a.b.c.d.
void set_versions(version_info& info, const std::array<uint16_t, 4>& version);

// The version resource; throws bad_input when its texts exceed what its lengths can hold.
bytes build_version(const version_info& info);

}  // namespace brand
