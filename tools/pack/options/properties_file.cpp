#include "options/properties_file.h"

#include <vector>

#include "options/option_file.h"
#include "text.h"

namespace {

// The logical lines of text: continuations joined, comments and blank lines left out.
std::vector<std::string> logical_lines(const std::string& text) {
  std::vector<std::string> lines;
  std::string line;
  bool continued = false;
  for (size_t at = 0; at <= text.size();) {
    size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    std::string natural = text.substr(at, end - at);
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
    size_t start = natural.find_first_not_of(" \t\f");
    natural = start == std::string::npos ? "" : natural.substr(start);
    if (!continued && (natural.empty() || natural[0] == '#' || natural[0] == '!')) continue;
    size_t backslashes = 0;
    while (backslashes < natural.size() && natural[natural.size() - 1 - backslashes] == '\\')
      ++backslashes;
    continued = backslashes % 2 == 1;
    line += continued ? natural.substr(0, natural.size() - 1) : natural;
    if (!continued) {
      lines.push_back(line);
      line.clear();
    }
  }
  if (!line.empty()) lines.push_back(line);
  return lines;
}

// text with its escapes read.
std::string unescaped(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c != '\\' || i + 1 == text.size()) {
      size_t length = 1;
      while (i + length < text.size() && (text[i + length] & 0xC0) == 0x80) ++length;
      out += to_utf16(text.substr(i, length));
      i += length - 1;
      continue;
    }
    c = text[++i];
    if (c == 'u' && i + 4 < text.size() &&
        text.substr(i + 1, 4).find_first_not_of("0123456789abcdefABCDEF") == std::string::npos) {
      out += static_cast<char16_t>(std::stoul(text.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      out += c == 't' ? u'\t' : c == 'n' ? u'\n' : c == 'r' ? u'\r' : c == 'f' ? u'\f' : c;
    }
  }
  return to_utf8(out);
}

}  // namespace

bool read_properties(const std::string& path, std::map<std::string, std::string>* out,
                     std::string* problem) {
  std::string text;
  if (!read_option_file(path, &text)) {
    *problem = path + ": the properties file cannot be read";
    return false;
  }
  for (const std::string& line : logical_lines(text)) {
    size_t end = 0;
    while (end < line.size() && std::string("=: \t\f").find(line[end]) == std::string::npos)
      end += line[end] == '\\' ? 2 : 1;
    end = std::min(end, line.size());
    size_t value = line.find_first_not_of(" \t\f", end);
    if (value != std::string::npos && (line[value] == '=' || line[value] == ':'))
      value = line.find_first_not_of(" \t\f", value + 1);
    (*out)[unescaped(line.substr(0, end))] =
        value == std::string::npos ? "" : unescaped(line.substr(value));
  }
  return true;
}
