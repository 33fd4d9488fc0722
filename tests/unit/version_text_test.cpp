#include "runtime/version_text.h"

#include <cwchar>
#include <random>

#include "support.h"

namespace {

const char16_t range_format[] = u"%d.%d.%d%c%d.%d.%d";

// The C library's reading of the same text, where its behaviour is defined.
scanned_fields c_library(const std::u16string& text) {
  std::wstring wide(text.begin(), text.end());
  int v[7] = {};
  wchar_t separator = 0;
  int count = swscanf(wide.c_str(), L"%d.%d.%d%lc%d.%d.%d", &v[0], &v[1], &v[2], &separator, &v[3],
                      &v[4], &v[5]);
  scanned_fields f{count < 0 ? 0 : count,
                   false,
                   {v[0], v[1], v[2], static_cast<int32_t>(separator), v[3], v[4], v[5]}};
  return f;
}

void expect_same_as_c_library(const std::u16string& text) {
  scanned_fields ours = scan_fields(text.c_str(), range_format);
  scanned_fields theirs = c_library(text);
  ASSERT_FALSE(ours.overflow) << u8(text);
  ASSERT_EQ(ours.count, theirs.count) << u8(text);
  for (int i = 0; i < ours.count; ++i) EXPECT_EQ(ours.values[i], theirs.values[i]) << u8(text);
}

TEST(version_text, agrees_with_the_c_library) {
  const char16_t* texts[] = {
      u"1.6.0",
      u"1.6.0+",
      u"1.5.0-1.6.0",
      u"1.5.0-1.6.0xyz",
      u" 1. +6.\t-0",
      u"16",
      u"1.6",
      u"1.5.0-1.6",
      u"",
      u" ",
      u"1.6.0 +",
      u"1.6.0-",
      u"-1.-6.-0",
      u"1..6",
      u"x1.6.0",
      u"1.6.0\n1.7.0",
      u"2147483647.1.-2147483648",
      u"1.6.0+1.6.0",
      u"+",
      u"1.6.0--1.6.0",
  };
  for (const char16_t* t : texts) expect_same_as_c_library(t);
}

TEST(version_text, agrees_with_the_c_library_on_generated_texts) {
  const char16_t alphabet[] = u"0123456789.+- \tx";
  std::mt19937 random(11);
  for (int i = 0; i < 20000; ++i) {
    std::u16string text(random() % 16, u'0');
    for (char16_t& c : text) c = alphabet[random() % 16];
    // Digit runs short enough that no number leaves 32 bits.
    bool long_run = false;
    for (size_t k = 0, run = 0; k < text.size(); ++k) {
      run = text[k] >= u'0' && text[k] <= u'9' ? run + 1 : 0;
      long_run |= run > 9;
    }
    if (!long_run) expect_same_as_c_library(text);
  }
}

TEST(version_text, numbers_beyond_32_bits_are_flagged) {
  struct row {
    const char16_t* text;
    bool overflow;
  } rows[] = {
      {u"99999999999.1.0", true},
      {u"2147483648", true},
      {u"-2147483649", true},
      {u"-2147483648", false},
      {u"000000000000000000002147483647", false},
  };
  for (const row& r : rows)
    EXPECT_EQ(scan_fields(r.text, u"%d").overflow, r.overflow) << u8(r.text);
}

}  // namespace
