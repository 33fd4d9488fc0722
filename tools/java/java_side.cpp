#include "java_side.h"

#include "app_files.h"
#include "class_file.h"
#include "main_class.h"
#include "module_table.h"
#include "module_use.h"
#include "range_text.h"
#include "runtime_image.h"
#include "text.h"

namespace {

// Whether the registry version v is older than the release a class needs: releases up to
// 8 are versions 1.x, later ones x.y.
bool older(version v, int release) {
  version needed = release <= 8 ? version{1, release, 0} : version{release, 0, 0};
  return v.major != needed.major ? v.major < needed.major : v.minor < needed.minor;
}

// The class-file version against the runtime the command would start.
std::string version_warnings(const started_java& java, const main_class_search& main,
                             const runtime_release& release) {
  if (main.major < 45) return "";
  int needs = main.major - 44;
  std::string head = "main class '" + main.name + "' needs Java " + java_release(main.major) +
                     " (class file version " + std::to_string(main.major) + "), ";
  const char* tail = "; the JVM would stop with UnsupportedClassVersionError";
  if (!java.runtime.empty() && release.feature >= 0 && needs > release.feature) {
    return warning_line(head + "but the bundled runtime '" + java.runtime_written + "' is " +
                        release.version + tail);
  }
  if (!java.searched) return "";
  if (older(java.upper, needs)) {
    return warning_line(head + "newer than any runtime the registry search accepts (" +
                        range_text(java.lower, java.upper) + ")" + tail);
  }
  if (older(java.lower, needs)) {
    return warning_line(head + "and the registry search may pick an older runtime (" +
                        range_text(java.lower, java.upper) + ")" + tail);
  }
  return "";
}

}  // namespace

std::string java_side_warnings(const started_java& java) {
  runtime_release release{"", -1, false, {}};
  std::string text;
  bool has_release = !java.runtime.empty() &&
                     read_app_file(java.runtime + u"\\release", 1u << 20, &text) == file_read::ok;
  if (has_release) release = read_release(text);
  module_use use = modules_provided(release.modules);

  std::string warnings;
  main_class_search main{java.main_class, false, 0, ""};
  walk_class_path(
      java.class_path, release.feature,
      [&](const class_path_entry& entry, jar_file* jar) {
        find_main_class(&main, entry, jar);
        if (release.lists_modules) record_module_use(&use, entry, jar);
      },
      &warnings);
  warnings += use.warnings + main.warning;
  if (!main.found) {
    warnings += warning_line("main class '" + main.name +
                             "' is not in the class path; the JVM would stop with "
                             "ClassNotFoundException");
  }

  std::string runtime = "bundled runtime '" + java.runtime_written + "' ";
  if (!java.runtime.empty() && !has_jvm_library(java.runtime)) {
    warnings += warning_line(runtime +
                             "has neither bin\\server\\jvm.dll nor bin\\client\\jvm.dll; java.exe "
                             "would start and then fail");
  }
  if (!java.runtime.empty() && release.feature < 0) {
    warnings += warning_line(runtime + "has no release file with a JAVA_VERSION, so its version " +
                             "cannot be checked");
  }
  warnings += version_warnings(java, main, release);
  for (int i = 0; i < module_count(); ++i) {
    const first_use& missing = use.missing[i];
    if (missing.place.empty()) continue;
    warnings += warning_line(runtime + "lacks module '" + module_name(i) + "', which '" +
                             missing.place + "' uses (" + missing.used_class +
                             "); the JVM would stop with NoClassDefFoundError");
  }
  return warnings;
}
