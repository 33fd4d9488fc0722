// Rows that wixl cannot write, which pack adds to the package through libmsi after it: each
// in a table given by its columns, and made first when wixl made none.
#pragma once

#include <string>
#include <variant>
#include <vector>

struct msi_table {
  const char* name;
  std::vector<const char*> columns;  // in the order a row gives its values
  const char* made;                  // CREATE TABLE's column text; nullptr: wixl makes it
};

using msi_value = std::variant<std::monostate, int, std::string>;  // null, a number, a text

struct msi_row {
  const msi_table* table;
  std::vector<msi_value> values;
};

// Windows Installer's own tables that pack adds rows to from more than one place.
extern const msi_table install_execute_sequence;  // Action, Condition, Sequence
extern const msi_table custom_action;             // Action, Type, Source, Target

// The rows as text, one a line, for a hash of what the package holds.
std::string rows_text(const std::vector<msi_row>& rows);
