// The program's arguments after its name, as UTF-8: as given on Linux, converted from the
// wide command line on Windows (a lone surrogate becomes U+FFFD).
#pragma once

#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>

inline std::vector<std::string> utf8_arguments(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
    std::string arg(size > 0 ? static_cast<size_t>(size) - 1 : 0, '\0');
    if (size > 1) WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, &arg[0], size, nullptr, nullptr);
    args.push_back(arg);
  }
  return args;
}
#else
inline std::vector<std::string> utf8_arguments(int argc, char** argv) {
  return std::vector<std::string>(argv + 1, argv + argc);
}
#endif
