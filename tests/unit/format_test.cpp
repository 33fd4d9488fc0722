#include "launch/format.h"

#include <climits>

#include "support.h"

namespace {

std::u16string formatted(const char16_t* format, ...) {
  char16_t buf[64];
  va_list args;
  va_start(args, format);
  vformat_into(buf, 64, format, args);
  va_end(args);
  return buf;
}

TEST(format, conversions) {
  EXPECT_EQ(formatted(u"a%sb", u"xyz"), u"axyzb");
  EXPECT_EQ(formatted(u"'%.2s'", u"xyz"), u"'xy'");
  EXPECT_EQ(formatted(u"'%.5s'", u"xyz"), u"'xyz'");
  EXPECT_EQ(formatted(u"'%.0s'", u"xyz"), u"''");
  EXPECT_EQ(formatted(u"%d.%d.%d", 1, -6, 0), u"1.-6.0");
  EXPECT_EQ(formatted(u"%d %d", INT_MIN, INT_MAX), u"-2147483648 2147483647");
  EXPECT_EQ(formatted(u"100%% %q"), u"100% %q");
  EXPECT_EQ(formatted(u"end%"), u"end%");
}

TEST(format, output_is_cut_to_the_buffer_and_terminated) {
  char16_t buf[8];
  EXPECT_EQ(format_into(buf, 8, u"%s-%d", u"abcdef", 42), 7u);
  EXPECT_EQ(std::u16string(buf), u"abcdef-");
}

}  // namespace
