#include <gtest/gtest.h>

#include "utf8.h"

namespace {

TEST(brand_utf8, converts_valid_text_and_refuses_the_rest) {
  struct row {
    const char* text;
    const char16_t* expected;  // null: refused
  } rows[] = {
      {"", u""},
      {"Acme", u"Acme"},
      {"Zo\xC3\xAB \xE2\x82\xAC", u"Zo\u00EB \u20AC"},
      {"\xF0\x9F\x98\x80", u"\U0001F600"},
      {"\xF4\x8F\xBF\xBF", u"\U0010FFFF"},
      {"caf\xE9", nullptr},           // Latin-1
      {"\xC3", nullptr},              // cut short
      {"\xE2\x82", nullptr},          // cut short
      {"\xC0\xAF", nullptr},          // overlong
      {"\xE0\x80\xAF", nullptr},      // overlong
      {"\xED\xA0\x80", nullptr},      // a surrogate
      {"\xF4\x90\x80\x80", nullptr},  // past U+10FFFF
      {"\x80", nullptr},              // a continuation byte alone
  };
  for (const row& r : rows) {
    std::optional<std::u16string> got = brand::utf16_of(r.text);
    EXPECT_EQ(got.has_value(), r.expected != nullptr) << r.text;
    if (got && r.expected) EXPECT_EQ(*got, r.expected) << r.text;
  }
}

}  // namespace
