// Shared helpers of the unit tests. ctest runs every test in a process of its own, so
// each starts with the launcher's start-of-run state (log undecided, buffers empty).
#pragma once

#include <gtest/gtest.h>

#include <string>

#include "command/string_builder.h"
#include "platform/simulated/machine.h"
#include "platform/os.h"

using simulated_os::current;
using simulated_os::run_to_exit;

// UTF-8 source text to UTF-16 (tests use ASCII and Latin-1/BMP characters).
inline std::u16string u16(const std::string& s) {
  std::u16string out;
  for (size_t i = 0; i < s.size();) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    if (b < 0x80) {
      out += b;
      i += 1;
    } else if (b < 0xE0) {
      out += static_cast<char16_t>((b & 0x1F) << 6 | (s[i + 1] & 0x3F));
      i += 2;
    } else {
      out += static_cast<char16_t>((b & 0x0F) << 12 | (s[i + 1] & 0x3F) << 6 | (s[i + 2] & 0x3F));
      i += 3;
    }
  }
  return out;
}

// UTF-16 to UTF-8 for readable failure messages.
inline std::string u8(const std::u16string& s) {
  std::string out;
  for (char16_t c : s) {
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

// What an append operation writes into an empty builder.
template <typename F>
std::u16string appended(F append) {
  string_builder sb;
  sb_init(&sb);
  append(&sb);
  char16_t* text = sb_take(&sb);
  std::u16string result = text;
  os::release(text);
  return result;
}

// A fresh machine for every test, with the system texts the tests rely on.
class machine_test : public ::testing::Test {
 protected:
  void SetUp() override {
    simulated_os::reset();
    current().system_messages[2] = u"The system cannot find the file specified.\r\n";
    current().system_messages[206] = u"The filename or extension is too long.\r\n";
  }
  std::u16string only_box() {
    EXPECT_EQ(current().boxes.size(), 1u);
    return current().boxes.empty() ? u"" : current().boxes[0].text;
  }
};
