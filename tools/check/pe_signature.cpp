#include "pe_signature.h"

#include <cstdint>

namespace {

uint32_t number_at(const std::string& file, uint64_t at, int size) {
  uint32_t value = 0;
  for (int i = size - 1; i >= 0; --i)
    value = value << 8 | static_cast<unsigned char>(file[static_cast<size_t>(at) + i]);
  return value;
}

}  // namespace

bool read_pe_signature(const std::string& file, std::string* signature) {
  signature->clear();
  if (file.size() < 64 || file.compare(0, 2, "MZ") != 0) return false;
  uint64_t pe = number_at(file, 0x3C, 4), optional = pe + 24;
  if (optional + 2 > file.size() || file.compare(static_cast<size_t>(pe), 4, "PE\0\0", 4) != 0)
    return false;
  uint32_t magic = number_at(file, optional, 2);
  if (magic != 0x10B && magic != 0x20B) return false;
  uint64_t count_field = optional + (magic == 0x20B ? 108 : 92);
  // The certificate table is the fifth data directory; its address is a file offset.
  uint64_t entry = count_field + 4 + 8 * 4;
  if (entry + 8 > file.size() || number_at(file, count_field, 4) < 5) return true;
  uint64_t at = number_at(file, entry, 4), size = number_at(file, entry + 4, 4);
  if (size < 8 || at + size > file.size()) return true;
  // WIN_CERTIFICATE: its length, revision, and type 2, PKCS#7 SignedData.
  uint64_t length = number_at(file, at, 4);
  if (length > 8 && length <= size && number_at(file, at + 6, 2) == 2)
    *signature = file.substr(static_cast<size_t>(at + 8), static_cast<size_t>(length - 8));
  return true;
}
