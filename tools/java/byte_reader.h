// Big-endian reads of a class file's bytes that stop at their end.
#pragma once

#include <algorithm>
#include <cstddef>
#include <string_view>

// Once past the end, every read gives 0 and ok is false.
struct byte_reader {
  std::string_view b;
  size_t at;
  bool ok = true;

  unsigned u(int bytes) {
    if (at > b.size() || b.size() - at < static_cast<size_t>(bytes)) {
      ok = false;
      at = b.size();
      return 0;
    }
    unsigned v = 0;
    for (int i = 0; i < bytes; ++i) v = v << 8 | static_cast<unsigned char>(b[at++]);
    return v;
  }
  void skip(size_t n) {
    ok &= at <= b.size() && b.size() - at >= n;
    at = ok ? at + n : b.size();
  }
  // A reader of the next n bytes, or of those left when fewer are; this one stays put.
  byte_reader part(size_t n) const { return {b.substr(0, at + std::min(n, b.size() - at)), at}; }
};
