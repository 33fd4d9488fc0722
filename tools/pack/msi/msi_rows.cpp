#include "msi/msi_rows.h"

const msi_table install_execute_sequence{
    "InstallExecuteSequence", {"Action", "Condition", "Sequence"}, nullptr};
const msi_table custom_action{"CustomAction", {"Action", "Type", "Source", "Target"}, nullptr};

std::string rows_text(const std::vector<msi_row>& rows) {
  std::string text;
  for (const msi_row& row : rows) {
    text += row.table->name;
    for (const msi_value& value : row.values) {
      text += '\t';
      if (const int* number = std::get_if<int>(&value)) text += std::to_string(*number);
      if (const std::string* string = std::get_if<std::string>(&value)) text += '"' + *string;
    }
    text += '\n';
  }
  return text;
}
