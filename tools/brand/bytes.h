// Byte buffers: little-endian reads checked against the end, writes, alignment, and the
// error every part of the tool throws for input it cannot use.
#pragma once

#include <cstddef>
#include <cstdint>
#include <stdexcept>
#include <string>
#include <vector>

namespace brand {

using bytes = std::vector<uint8_t>;

// Input the tool refuses. The message says what is wrong; the caller names the file.
struct bad_input : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// Rethrows f's bad_input with subject (a file or option) in front of the message.
template <typename F>
auto about(const std::string& subject, F f) {
  try {
    return f();
  } catch (const bad_input& e) {
    throw bad_input(subject + ": " + e.what());
  }
}

inline uint64_t align_up(uint64_t value, uint64_t alignment) {
  return (value + alignment - 1) / alignment * alignment;
}

// The n-byte number at offset; throws bad_input(problem) when it lies past the end.
inline uint64_t read_le(const bytes& b, uint64_t offset, unsigned n, const char* problem) {
  if (offset > b.size() || b.size() - offset < n) throw bad_input(problem);
  uint64_t value = 0;
  for (unsigned i = n; i-- > 0;) value = value << 8 | b[offset + i];
  return value;
}

inline uint16_t u16_at(const bytes& b, uint64_t offset, const char* problem) {
  return static_cast<uint16_t>(read_le(b, offset, 2, problem));
}

inline uint32_t u32_at(const bytes& b, uint64_t offset, const char* problem) {
  return static_cast<uint32_t>(read_le(b, offset, 4, problem));
}

// Bytes [offset, offset + size) of b; throws bad_input(problem) when they do not fit.
inline bytes slice(const bytes& b, uint64_t offset, uint64_t size, const char* problem) {
  if (offset > b.size() || b.size() - offset < size) throw bad_input(problem);
  return bytes(b.begin() + offset, b.begin() + offset + size);
}

inline void put_le(bytes& b, size_t offset, uint64_t value, unsigned n) {
  for (unsigned i = 0; i < n; ++i) b[offset + i] = static_cast<uint8_t>(value >> 8 * i);
}

inline void append_le(bytes& b, uint64_t value, unsigned n) {
  b.resize(b.size() + n);
  put_le(b, b.size() - n, value, n);
}

inline void append_utf16(bytes& b, const std::u16string& text) {
  for (char16_t c : text) append_le(b, c, 2);
}

inline void pad_to(bytes& b, size_t alignment) {
  b.resize(align_up(b.size(), alignment));
}

}  // namespace brand
