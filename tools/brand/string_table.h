// The launcher's string table (RT_STRING): settings it reads from its own image, language
// neutral, in blocks of 16 strings.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "resource_tree.h"

namespace brand {

// Sets each (id, text) of strings in list's string table, keeping the table's other strings;
// an empty text removes the string. Throws bad_input when a block it changes is malformed or
// a text is longer than 65535 units.
void set_table_strings(std::vector<resource>& list,
                       const std::vector<std::pair<uint16_t, std::u16string>>& strings);

// String id of list's string table, language neutral; empty when there is none. Throws
// bad_input when its block is malformed.
std::u16string table_string(const std::vector<resource>& list, uint16_t id);

}  // namespace brand
