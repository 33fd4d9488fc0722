#include "options/argument_files.h"

#include <fstream>
#include <iterator>

bool split_option_words(const std::string& text, std::vector<std::string>* words) {
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f') {
      if (in_word) words->push_back(word);
      word.clear();
      in_word = false;
    } else if (c == '#' && !in_word) {
      i = std::min(text.find('\n', i), text.size());
    } else if (c == '"' || c == '\'') {
      size_t end = i + 1;
      for (; end < text.size() && text[end] != c; ++end) {
        char next = text[end];
        if (next == '\\' && end + 1 < text.size()) {
          next = text[++end];
          next = next == 'n' ? '\n' : next == 't' ? '\t' : next;
        }
        word += next;
      }
      if (end == text.size()) return false;
      i = end;
      in_word = true;
    } else {
      word += c;
      in_word = true;
    }
  }
  if (in_word) words->push_back(word);
  return true;
}

bool expand_argument_files(const std::vector<std::string>& args, std::vector<std::string>* out,
                           std::string* problem) {
  for (const std::string& arg : args) {
    if (arg.size() < 2 || arg[0] != '@') {
      out->push_back(arg);
      continue;
    }
    std::ifstream in(arg.substr(1), std::ios::binary);
    std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (!in.is_open()) {
      *problem = arg + ": the file cannot be read";
      return false;
    }
    if (!split_option_words(text, out)) {
      *problem = arg + ": a quote is never closed";
      return false;
    }
  }
  return true;
}
