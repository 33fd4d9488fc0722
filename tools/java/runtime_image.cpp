#include "runtime_image.h"

#include "app_files.h"
#include "text.h"

namespace {

// The number at the start of text, or -1.
int leading_number(std::string_view text) {
  int n = -1;
  for (char c : text) {
    if (c < '0' || c > '9' || n > 99999) break;
    n = (n < 0 ? 0 : n * 10) + (c - '0');
  }
  return n;
}

}  // namespace

runtime_release read_release(std::string_view text) {
  runtime_release release{"", -1, false, {}};
  for (std::string_view line : text_lines(text)) {
    size_t equals = line.find('=');
    if (equals == std::string_view::npos) continue;
    std::string_view key = line.substr(0, equals), value = line.substr(equals + 1);
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
      value = value.substr(1, value.size() - 2);
    if (key == "JAVA_VERSION") {
      release.version = value;
      // 1.8.0_392 is release 8; 17.0.2 is release 17.
      release.feature =
          value.compare(0, 2, "1.") == 0 ? leading_number(value.substr(2)) : leading_number(value);
    } else if (key == "MODULES") {
      release.lists_modules = true;
      for (size_t start = 0; start < value.size();) {
        size_t stop = value.find(' ', start);
        if (stop == std::string_view::npos) stop = value.size();
        if (stop > start) release.modules.emplace_back(value.substr(start, stop - start));
        start = stop + 1;
      }
    }
  }
  return release;
}

bool has_jvm_library(const std::u16string& folder) {
  // A JDK 8 runs the JVM of the runtime inside it, jre\bin\server.
  for (const char16_t* place :
       {u"\\bin\\server", u"\\bin\\client", u"\\jre\\bin\\server", u"\\jre\\bin\\client"}) {
    if (!stored_file_name(folder + place + u"\\jvm.dll").empty()) return true;
  }
  return false;
}
