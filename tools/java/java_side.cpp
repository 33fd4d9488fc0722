#include "java_side.h"

#include <utility>

#include "app_files.h"
#include "class_file.h"
#include "class_scan.h"
#include "class_versions.h"
#include "javafx_start.h"
#include "main_class.h"
#include "module_table.h"
#include "module_use.h"
#include "runtime_image.h"
#include "text.h"

std::string java_side_warnings(const started_java& java) {
  runtime_release release{"", -1, false, {}};
  std::string text;
  bool has_release = !java.runtime.empty() &&
                     read_app_file(java.runtime + u"\\release", 1u << 20, &text) == file_read::ok;
  if (has_release) release = read_release(text);
  module_use use = modules_provided(release.modules);
  bool fx_missing = lacks_javafx(release);
  superclasses supers;

  std::string warnings;
  main_class_search main = main_class_named(java.main_class);
  std::vector<place_versions> places;
  walk_class_path(
      java.class_path, release.feature,
      [&](const class_path_entry& entry, jar_file* jar) {
        find_main_class(&main, entry, jar);
        places.push_back({entry.written, 0, "", 0, ""});
        scan_classes(
            entry, jar,
            [&](const class_file& file) {
              record_version(&places.back(), file, main.internal);
              if (release.lists_modules) record_module_use(&use, entry.written, file);
              if (fx_missing) record_superclass(&supers, file);
            },
            &warnings);
      },
      &warnings);
  warnings += main.warning;
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
  std::string problem = version_problem(java, release, main.major);
  if (!problem.empty()) {
    warnings +=
        warning_line("main class '" + main.name + "' needs Java " + java_release(main.major) +
                     " (class file version " + std::to_string(main.major) + "), " + problem +
                     "; the JVM would stop with UnsupportedClassVersionError");
  }
  if (fx_missing && main.major != 0) warnings += javafx_warning(std::move(supers), main, runtime);
  for (const place_versions& place : places) warnings += place_warnings(java, release, place);
  std::vector<first_use> missing = missing_modules(use);
  for (int i = 0; i < module_count(); ++i) {
    if (missing[i].place.empty()) continue;
    warnings += warning_line(runtime + "lacks module '" + module_name(i) + "', which '" +
                             missing[i].place + "' uses (" + missing[i].used_class +
                             "); the JVM would fail with NoClassDefFoundError when code that "
                             "uses it runs");
  }
  return warnings;
}
