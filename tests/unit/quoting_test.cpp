#include "command/quoting.h"

#include <random>

#include "argv_reader.h"
#include "support.h"

namespace {

class quoting : public machine_test {
 protected:
  std::u16string quoted(const std::u16string& word) {
    return appended([&](string_builder* sb) { append_quoted(sb, word.c_str()); });
  }
  void expect_round_trip(const std::u16string& word) {
    std::u16string line = quoted(word);
    std::vector<std::u16string> args = read_windows_arguments(u"x " + line + u" y");
    ASSERT_EQ(args.size(), 3u) << u8(line);
    EXPECT_EQ(args[1], word) << u8(line);
  }
};

TEST_F(quoting, renderings) {
  struct row {
    const char16_t* word;
    const char16_t* text;
  } rows[] = {
      {u"hello", u"hello"},
      {u"\\\\server\\share\\a.txt", u"\\\\server\\share\\a.txt"},
      {u"C:\\Program Files\\App", u"\"C:\\Program Files\\App\""},
      {u"C:\\Program Files\\App\\", u"\"C:\\Program Files\\App\\\\\""},
      {u"C:\\dir\\", u"\"C:\\dir\\\\\""},
      {u"say \"hi\"", u"\"say \\\"hi\\\"\""},
      {u"a\\\"b", u"\"a\\\\\\\"b\""},
      {u"", u"\"\""},
      {u"\\", u"\"\\\\\""},
      {u"a\\\\\\\"", u"\"a\\\\\\\\\\\\\\\"\""},
      {u"tab\there", u"\"tab\there\""},
      {u"line\nfeed", u"line\nfeed"},
  };
  for (const row& r : rows) EXPECT_EQ(quoted(r.word), r.text) << u8(r.word);
}

TEST_F(quoting, backslash_before_quote_or_end) {
  EXPECT_EQ(backslash_before_quote_or_end(u"a\\\"b"), 1);
  EXPECT_EQ(backslash_before_quote_or_end(u"a\\"), 1);
  EXPECT_EQ(backslash_before_quote_or_end(u"a\\b\""), 0);
}

TEST_F(quoting, round_trip_of_chosen_words) {
  const char16_t* words[] = {
      u"",
      u" ",
      u"\t",
      u"\"",
      u"\\",
      u"\\\\",
      u"\\\"",
      u"\"\\",
      u"a b",
      u"a\tb",
      u"\\\\\\\"\\\\",
      u"C:\\Program Files\\",
      u"\"quoted\"",
      u"end\\\\",
      u"\\\\start",
      u"mid\\\\dle",
      u"\xD83D\xDE00 pair\\",
      u"\u00E9\u20AC\"\\ ",
  };
  for (const char16_t* w : words) expect_round_trip(w);
  expect_round_trip(std::u16string(40000, u'\\') + u"\" x");
}

TEST_F(quoting, round_trip_of_generated_words) {
  const char16_t alphabet[] = {u'a', u' ', u'\t', u'"', u'\\', u'\\', u'\xD83D', u'\xDE00', u'#'};
  std::mt19937 random(7);
  for (int i = 0; i < 20000; ++i) {
    std::u16string word(random() % 12, u'a');
    for (char16_t& c : word) c = alphabet[random() % 9];
    expect_round_trip(word);
  }
}

}  // namespace
