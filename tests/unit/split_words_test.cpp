#include "input/split_words.h"

#include <cstdlib>
#include <vector>

#include "support.h"

namespace {

class split_words_test : public machine_test {
 protected:
  std::vector<std::u16string> split(const std::u16string& text) {
    int32_t count = -1;
    char16_t** words = nullptr;
    split_words(text.c_str(), &count, &words);
    std::vector<std::u16string> out;
    for (int32_t i = 0; i < count; ++i) out.push_back(words[i]);
    EXPECT_EQ(words[count], nullptr);
    free(words);
    return out;
  }
};

using words = std::vector<std::u16string>;

TEST_F(split_words_test, rules) {
  struct row {
    const char16_t* text;
    words expected;
  } rows[] = {
      {u"", {}},
      {u" \t\r\n ", {}},
      {u"a b  c", {u"a", u"b", u"c"}},
      {u"\"\" x", {u"", u"x"}},
      {u"x \"\"", {u"x"}},
      {u"x \"\" ", {u"x", u""}},
      {u"\"", {}},
      {u"\"\"", {}},
      {u"\"a b\"c d", {u"a bc", u"d"}},
      {u"ab\"c d\"e", {u"abc de"}},
      {u"\"a\" \"b\"", {u"a", u"b"}},
      {u"\"a\"\"b\"", {u"ab"}},
      {u"\"abc", {u"abc"}},
      {u"\"abc\"#x", {u"abc#x"}},
      {u"a#b", {u"a#b"}},
      {u"\"#x\" y", {u"#x", u"y"}},
      {u"a #comment b\nc", {u"a", u"c"}},
      {u"a #comment\r\nc", {u"a", u"c"}},
      {u"#only a comment", {}},
      {u"a\\\\b", {u"a\\\\b"}},
      {u"a\\", {u"a\\"}},
      {u"\\\\\"a b\"", {u"\\a b"}},
      {u"\\\"a b\"", {u"\"a", u"b"}},
      {u"\\\\\\\"a", {u"\\\"a"}},
      {u"\"a\\\" b\"", {u"a\" b"}},
      {u"\"a\\\\\" b", {u"a\\", u"b"}},
      {u"a\tb\rc\nd", {u"a", u"b", u"c", u"d"}},
      {u"a\fb\u00A0c", {u"a\fb\u00A0c"}},
      {u"prog.exe x #rest y", {u"prog.exe", u"x"}},
      {u"\"C:\\dir\\\" x", {u"C:\\dir\" x"}},
      {u"\"multi\nline\" x", {u"multi\nline", u"x"}},
      {u"\xD83D\xDE00 z", {u"\xD83D\xDE00", u"z"}},
  };
  for (const row& r : rows) EXPECT_EQ(split(r.text), r.expected) << u8(r.text);
}

TEST_F(split_words_test, block_holds_runs_plus_two_pointers_and_the_text) {
  // "a b  c": two whitespace runs and six characters.
  uint64_t before = current().allocations;
  EXPECT_EQ(split(u"a b  c"), (words{u"a", u"b", u"c"}));
  EXPECT_EQ(current().allocations, before + 1);
  int32_t count = 0;
  char16_t** block = nullptr;
  split_words(u"a b  c", &count, &block);
  char16_t* area = reinterpret_cast<char16_t*>(block + 4);
  EXPECT_EQ(block[0], area);
  EXPECT_EQ(std::u16string(area, 6), std::u16string(u"a\0b\0c\0", 6));
  free(block);
}

TEST_F(split_words_test, empty_text_still_has_room_for_two_entries) {
  int32_t count = -1;
  char16_t** block = nullptr;
  split_words(u"", &count, &block);
  EXPECT_EQ(count, 0);
  block[0] = nullptr;
  block[1] = nullptr;  // the launcher stores its path here even with no words
  free(block);
}

TEST_F(split_words_test, exhausted_memory_is_fatal) {
  current().faults.fail_allocation = current().allocations + 1;
  int32_t count = 0;
  char16_t** block = nullptr;
  EXPECT_EQ(run_to_exit([&] { split_words(u"a b", &count, &block); }), 2);
  EXPECT_EQ(only_box(), u"Out of memory");
}

}  // namespace
