#include "host/pe_header.h"

namespace {

unsigned le(const std::string& b, size_t at, int n) {
  unsigned v = 0;
  for (int i = n - 1; i >= 0; --i) v = v << 8 | static_cast<unsigned char>(b[at + i]);
  return v;
}

}  // namespace

bool read_pe_header(const std::string& b, pe_header* out) {
  if (b.size() < 64 || b.compare(0, 2, "MZ") != 0) return false;
  size_t pe = le(b, 60, 4);
  // The subsystem is at the same place in PE32 and PE32+ optional headers: 68 bytes in.
  if (pe + 94 > b.size() || b.compare(pe, 4, std::string("PE\0\0", 4)) != 0) return false;
  *out = {le(b, pe + 4, 2), le(b, pe + 24 + 68, 2)};
  return true;
}
