#include "options/option_file.h"

#include <cstdio>
#include <memory>

bool read_option_file(const std::string& path, std::string* text) {
  std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), std::fclose);
  if (!file) return false;
  char buffer[65536];
  text->clear();
  // A folder opens, but reading it fails.
  for (size_t got; (got = std::fread(buffer, 1, sizeof buffer, file.get())) > 0;)
    text->append(buffer, got);
  return !std::ferror(file.get());
}
