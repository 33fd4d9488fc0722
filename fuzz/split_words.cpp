// split_words over arbitrary UTF-16 text: the word array is well formed, and a text with
// no quote, backslash or number sign splits exactly at whitespace.
#include "input/split_words.h"

#include <vector>

#include "harness.h"
#include "launch/wide_text.h"
#include "platform/os.h"

namespace {

std::vector<std::u16string> plain_split(const std::u16string& text) {
  std::vector<std::u16string> words;
  std::u16string word;
  for (char16_t c : text + u' ') {
    if (c != u' ' && c != u'\t' && c != u'\n' && c != u'\r') {
      word += c;
    } else if (!word.empty()) {
      words.push_back(word);
      word.clear();
    }
  }
  return words;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  std::u16string text = fuzz::text_of(data, size);
  int32_t count = -1;
  char16_t** words = nullptr;
  split_words(text.c_str(), &count, &words);
  fuzz::require(count >= 0 && words[count] == nullptr, "the word array ends with null");
  size_t stored = 0;
  for (int32_t i = 0; i < count; ++i) stored += text_length(words[i]);
  fuzz::require(stored <= text.size(), "words hold no more than the text");
  if (text.find_first_of(u"\"\\#") == std::u16string::npos) {
    std::vector<std::u16string> expected = plain_split(text);
    fuzz::require(expected.size() == static_cast<size_t>(count), "plain text word count");
    for (int32_t i = 0; i < count; ++i) fuzz::require(expected[i] == words[i], "plain text word");
  }
  os::release(words);
  fuzz::require_all_released();
  return 0;
}
