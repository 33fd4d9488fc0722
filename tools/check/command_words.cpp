#include "command_words.h"

std::vector<std::u16string> command_words(const std::u16string& line) {
  std::vector<std::u16string> words;
  std::u16string word;
  bool in_word = false, quoted = false;
  for (size_t i = 0; i < line.size(); ++i) {
    char16_t c = line[i];
    if (!quoted && (c == u' ' || c == u'\t')) {
      if (in_word) words.push_back(word);
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == u'\\') {
      size_t run = line.find_first_not_of(u'\\', i);
      if (run == std::u16string::npos) run = line.size();
      size_t count = run - i;
      bool before_quote = run < line.size() && line[run] == u'"';
      word.append(before_quote ? count / 2 : count, u'\\');
      i = run - 1;
      if (before_quote && count % 2) {
        word += u'"';
        ++i;
      }
    } else if (c == u'"') {
      quoted = !quoted;
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(word);
  return words;
}
