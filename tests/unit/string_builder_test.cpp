#include "command/string_builder.h"

#include <cstdlib>

#include "support.h"

namespace {

class string_builder_test : public machine_test {};

std::u16string filler(size_t n) {
  return std::u16string(n, u'c');
}

TEST_F(string_builder_test, capacities) {
  struct row {
    size_t first, second;
    int32_t after_first, after_second;
  } rows[] = {
      {0, 0, 0, 0},       {1, 255, 256, 256},     {1, 256, 256, 512},
      {300, 1, 300, 600}, {200, 1000, 256, 1200}, {200, 100, 256, 512},
  };
  for (const row& r : rows) {
    string_builder sb;
    sb_init(&sb);
    sb_append(&sb, filler(r.first).c_str(), r.first);
    EXPECT_EQ(sb.capacity, r.after_first);
    sb_append(&sb, filler(r.second).c_str(), r.second);
    EXPECT_EQ(sb.capacity, r.after_second) << r.first << "+" << r.second;
    EXPECT_EQ(sb.length, static_cast<int32_t>(r.first + r.second));
    EXPECT_EQ(sb.text == nullptr, sb.capacity == 0);
    sb_release(&sb);
  }
}

TEST_F(string_builder_test, copy_take_and_reuse) {
  string_builder sb;
  sb_init(&sb);
  char16_t* empty = sb_copy(&sb);
  EXPECT_EQ(std::u16string(empty), u"");
  EXPECT_EQ(sb.text, nullptr);
  free(empty);
  sb_append(&sb, u"ab", 2);
  sb_append_char(&sb, u'c');
  char16_t* taken = sb_take(&sb);
  EXPECT_EQ(std::u16string(taken), u"abc");
  EXPECT_EQ(sb.text, nullptr);
  EXPECT_EQ(sb.length, 0);
  EXPECT_EQ(sb.capacity, 0);
  sb_append(&sb, u"d", 1);
  EXPECT_EQ(sb.capacity, 256);
  free(taken);
  sb_release(&sb);
}

}  // namespace
