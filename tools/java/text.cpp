#include "text.h"

#include <algorithm>

#include "platform/os.h"

std::u16string to_utf16(const std::string& utf8) {
  if (utf8.empty()) return std::u16string();
  // One byte never yields more than one UTF-16 unit.
  std::u16string text(utf8.size(), u'\0');
  int units = os::utf8_to_utf16(utf8.data(), static_cast<int>(utf8.size()), &text[0],
                                static_cast<int>(text.size()));
  text.resize(units > 0 ? static_cast<size_t>(units) : 0);
  return text;
}

std::string warning_line(const std::string& text) {
  static const char hex[] = "0123456789abcdef";
  std::string line = "warning: ";
  for (unsigned char c : text) {
    if (c >= 0x20 && c != 0x7F) {
      line += static_cast<char>(c);
    } else {
      line += {'\\', 'x', hex[c >> 4], hex[c & 15]};
    }
  }
  return line + "\n";
}

std::string to_utf8(const std::u16string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t c = text[i];
    bool high = c >= 0xD800 && c <= 0xDBFF;
    if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
      c = 0x10000 + ((c - 0xD800) << 10) + (text[++i] - 0xDC00);
    } else if (c >= 0xD800 && c <= 0xDFFF) {
      c = 0xFFFD;
    }
    if (c < 0x80) {
      out += static_cast<char>(c);
    } else if (c < 0x800) {
      out += static_cast<char>(0xC0 | c >> 6);
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
      out += static_cast<char>(0xE0 | c >> 12);
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | c >> 18);
      out += static_cast<char>(0x80 | (c >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (c >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (c & 0x3F));
    }
  }
  return out;
}

std::vector<std::string_view> text_lines(std::string_view text) {
  std::vector<std::string_view> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = std::min(text.find_first_of("\r\n", at), text.size());
    lines.push_back(text.substr(at, end - at));
    at = end + (text.compare(end, 2, "\r\n") == 0 ? 2 : 1);
  }
  return lines;
}

bool equal_ignoring_case(std::string_view a, std::string_view b) {
  auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}
