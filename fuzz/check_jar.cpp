// tavrin-check's reading of jars and class files. The input is two class-path jars at once,
// so that a Class-Path naming either loops, and a class file of its own: any bytes give
// whole warning lines, and never a crash, a hang or unbounded memory.
#include <cstdint>
#include <string>

#include "class_file.h"
#include "harness.h"
#include "java_side.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  std::string bytes(reinterpret_cast<const char*>(data), size);
  class_file file;
  std::string problem;
  fuzz::require(read_class_file(bytes, &file, &problem) || !problem.empty(),
                "a refused class file has a problem");
  simulated_os::add_file(u"C:\\app\\lib\\a.jar", bytes);
  simulated_os::add_file(u"C:\\app\\lib\\b.jar", bytes);
  simulated_os::add_file(u"C:\\app\\jre\\release",
                         "JAVA_VERSION=\"17\"\nMODULES=\"java.base java.logging\"\n");
  started_java java{
      {{"lib\\a.jar", u"C:\\app\\lib\\a.jar"}, {"lib\\b.jar", u"C:\\app\\lib\\b.jar"}},
      "demo.Main",
      {},
      u"C:\\app\\jre",
      "jre",
      false,
      {},
      {}};
  std::string warnings = java_side_warnings(java);
  for (size_t at = 0; at < warnings.size();) {
    fuzz::require(warnings.compare(at, 9, "warning: ") == 0, "each line is a warning");
    size_t end = warnings.find('\n', at);
    fuzz::require(end != std::string::npos, "each warning ends its line");
    at = end + 1;
  }
  return 0;
}
