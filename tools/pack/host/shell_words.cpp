#include "host/shell_words.h"

std::string shell_words(const std::vector<std::string>& words) {
  std::string line;
  for (const std::string& w : words) {
    bool plain = !w.empty() && w.find_first_not_of(
                                   "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOP"
                                   "QRSTUVWXYZ0123456789-_.,/=+:@%") == w.npos;
    std::string quoted = "'";
    for (char c : w) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    line += (line.empty() ? "" : " ") + (plain ? w : quoted + "'");
  }
  return line;
}
