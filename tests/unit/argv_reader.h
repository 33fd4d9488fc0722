// A portable reader of the rules Windows programs split their arguments by (after the
// program name): space and tab separate; double quotes group; 2n backslashes before a
// quote stand for n backslashes and the quote groups; 2n+1 stand for n and a literal
// quote; other backslashes stand for themselves.
#pragma once

#include <string>
#include <vector>

inline std::vector<std::u16string> read_windows_arguments(const std::u16string& line) {
  std::vector<std::u16string> args;
  size_t i = 0;
  const size_t n = line.size();
  for (;;) {
    while (i < n && (line[i] == u' ' || line[i] == u'\t')) ++i;
    if (i >= n) return args;
    std::u16string arg;
    bool quoted = false;
    while (i < n && (quoted || (line[i] != u' ' && line[i] != u'\t'))) {
      size_t slashes = 0;
      while (i < n && line[i] == u'\\') ++slashes, ++i;
      if (i < n && line[i] == u'"') {
        arg.append(slashes / 2, u'\\');
        if (slashes % 2) {
          arg += u'"';
        } else {
          quoted = !quoted;
        }
        ++i;
      } else {
        arg.append(slashes, u'\\');
        if (i < n && slashes == 0) arg += line[i++];
      }
    }
    args.push_back(arg);
  }
}
