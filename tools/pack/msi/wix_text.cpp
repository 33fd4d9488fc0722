#include "msi/wix_text.h"

#include "host/refusal.h"

std::string xml(const std::string& text) {
  std::string out;
  for (size_t i = 0; i < text.size(); ++i) {
    char c = text[i];
    if (c == '$' && (i + 1 == text.size() || text[i + 1] != '$')) {
      if (i + 1 < text.size() && text[i + 1] == '(')
        throw refusal(text + ": wixl cannot hold '$(' in a name or text");
      out += '$';
    }
    out += c == '&'   ? "&amp;"
           : c == '<' ? "&lt;"
           : c == '>' ? "&gt;"
           : c == '"' ? "&quot;"
                      : std::string(1, c);
  }
  return out;
}

std::string formatted(const std::string& text) {
  std::string out;
  for (char c : text)
    out += std::string("[]{}").find(c) == std::string::npos ? std::string(1, c)
                                                            : std::string("[\\") + c + "]";
  return out;
}

std::string attribute(const char* name, const std::string& value) {
  return std::string(" ") + name + "=\"" + value + "\"";
}

std::string element(const char* name, const std::string& attributes, const std::string& content) {
  std::string start = std::string("<") + name + attributes;
  return content.empty() ? start + "/>\n" : start + ">\n" + content + "</" + name + ">\n";
}
