#include "manifest.h"

#include <algorithm>
#include <cstring>

namespace brand {

bytes with_execution_level(const bytes& manifest, const std::string& level) {
  std::string text(manifest.begin(), manifest.end());
  size_t element = text.find("<requestedExecutionLevel");
  size_t end = std::min(text.find('>', element), text.size());
  // The attribute: "level" after white space, then "=" and a quoted value.
  for (size_t at = element; element != std::string::npos && at < end; ++at) {
    if (!std::strchr(" \t\r\n", text[at]) || text.compare(at + 1, 5, "level") != 0) continue;
    size_t equals = text.find_first_not_of(" \t\r\n", at + 6);
    if (equals >= end || text[equals] != '=') continue;
    size_t quote = text.find_first_not_of(" \t\r\n", equals + 1);
    if (quote >= end || (text[quote] != '"' && text[quote] != '\'')) continue;
    size_t close = text.find(text[quote], quote + 1);
    if (close >= end) break;
    text.replace(quote + 1, close - quote - 1, level);
    return bytes(text.begin(), text.end());
  }
  throw bad_input("has no requestedExecutionLevel level in its manifest");
}

}  // namespace brand
