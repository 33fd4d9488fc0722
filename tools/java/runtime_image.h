// A Java runtime image in the app: its release file (version and modules) and its JVM
// library.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct runtime_release {
  std::string version;  // JAVA_VERSION as written ("17.0.2", "1.8.0_392"); empty when absent
  int feature;          // its release number (17, 8), or -1 when it has none
  bool lists_modules;   // a MODULES line, as every image since Java 9 has
  std::vector<std::string> modules;
};

// The keys of a release file's KEY="VALUE" lines.
runtime_release read_release(std::string_view text);

// Whether the image under folder has bin\server\jvm.dll or bin\client\jvm.dll, or a JDK 8's
// jre\bin\server\jvm.dll or jre\bin\client\jvm.dll.
bool has_jvm_library(const std::u16string& folder);
