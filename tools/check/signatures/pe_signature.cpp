#include "pe_signature.h"

namespace {

uint32_t number_at(const std::string& file, uint64_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(file[static_cast<size_t>(at) + i]);
  return value;
}

}  // namespace

bool read_pe_layout(const std::string& file, pe_layout* layout) {
  if (file.size() < 64 || file.compare(0, 2, "MZ") != 0) return false;
  uint64_t pe = number_at(file, 0x3C, 4), optional = pe + 24;
  if (optional + 2 > file.size() || file.compare(static_cast<size_t>(pe), 4, "PE\0\0", 4) != 0)
    return false;
  uint32_t magic = number_at(file, optional, 2);
  if (magic != 0x10B && magic != 0x20B) return false;
  uint64_t count_field = optional + (magic == 0x20B ? 108 : 92);
  // The certificate table is the fifth data directory; its address is a file offset.
  *layout = {optional + 64, count_field + 4 + 8 * 4, file.size(), 0};
  if (layout->table_entry + 8 > file.size() || number_at(file, count_field, 4) < 5) {
    layout->table_entry = file.size();
    return true;
  }
  uint64_t at = number_at(file, layout->table_entry, 4);
  uint64_t size = number_at(file, layout->table_entry + 4, 4);
  if (size >= 8 && at + size <= file.size()) {
    layout->table = at;
    layout->size = size;
  }
  return true;
}

bool read_pe_signature(const std::string& file, std::string* signature) {
  signature->clear();
  pe_layout layout;
  if (!read_pe_layout(file, &layout)) return false;
  if (layout.size == 0) return true;
  // WIN_CERTIFICATE: its length, revision, and type 2, PKCS#7 SignedData.
  uint64_t length = number_at(file, layout.table, 4);
  if (length > 8 && length <= layout.size && number_at(file, layout.table + 6, 2) == 2)
    *signature =
        file.substr(static_cast<size_t>(layout.table + 8), static_cast<size_t>(length - 8));
  return true;
}
