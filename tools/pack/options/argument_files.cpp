#include "options/argument_files.h"

#include "options/option_file.h"
#include "text.h"

namespace {

bool white(char c) {
  return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f';
}

// The character that the escape \c inside quotes stands for.
char escaped(char c) {
  return c == 'n' ? '\n' : c == 'r' ? '\r' : c == 't' ? '\t' : c == 'f' ? '\f' : c;
}

}  // namespace

bool split_option_words(const std::string& text, std::vector<std::string>* words,
                        std::vector<std::string>* controlled) {
  std::string word;
  bool in_word = false, control = false;
  size_t start = 0;  // where the word begins in text
  auto end_word = [&](size_t end) {
    if (in_word) words->push_back(word);
    if (in_word && control && controlled) controlled->push_back(text.substr(start, end - start));
    word.clear();
    in_word = control = false;
  };
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (!in_word) start = i;
    if (white(c)) {
      end_word(i);
    } else if (c == '#' && !in_word) {
      i = std::min(text.find('\n', i), text.size());
    } else if (c == '"' || c == '\'') {
      size_t end = i + 1;
      for (; end < text.size() && text[end] != c; ++end) {
        char next = text[end];
        if (next == '\\' && end + 1 < text.size()) {
          next = text[++end];
          if (next == '\n' || (next == '\r' && text.compare(end, 2, "\r\n") == 0)) {
            // A line continued: the line end and the next line's leading blanks are left out.
            end += next == '\r' ? 1 : 0;
            while (end + 1 < text.size() && (text[end + 1] == ' ' || text[end + 1] == '\t')) ++end;
            continue;
          }
          control |= escaped(next) != next;
          next = escaped(next);
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
  end_word(text.size());
  return true;
}

bool expand_argument_files(const std::vector<std::string>& args, std::vector<std::string>* out,
                           std::string* problem, std::string* warnings) {
  for (const std::string& arg : args) {
    if (arg.size() < 2 || arg[0] != '@') {
      out->push_back(arg);
      continue;
    }
    if (arg[1] == '@') {
      out->push_back(arg.substr(1));
      continue;
    }
    std::string text;
    if (!read_option_file(arg.substr(1), &text)) {
      *problem = arg + ": the file cannot be read";
      return false;
    }
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3);
    std::vector<std::string> controlled;
    if (!split_option_words(text, out, &controlled)) {
      *problem = arg + ": a quote is never closed";
      return false;
    }
    for (const std::string& raw : controlled) {
      std::vector<std::string> used;
      split_option_words(raw, &used);
      *warnings += warning_line(arg + ": " + raw + " is read as '" + used.at(0) +
                                "', as a backslash in quotes escapes the next character (\\t "
                                "a tab, \\n a line end); write \\\\ for a backslash, or "
                                "leave the word unquoted");
    }
  }
  return true;
}
