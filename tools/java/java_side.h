// What the command the launcher would start loads, seen from the app folder: the
// effective class path, the main class, its class-file version against the runtime, and
// the bundled runtime's JVM library and modules, JavaFX's among them.
#pragma once

#include <string>
#include <vector>

#include "class_path_walk.h"
#include "runtime/runtime_search.h"

struct started_java {
  std::vector<class_path_entry> class_path;  // the kept entries, in order
  std::string main_class;                    // as the command names it: a.b.Main
  std::vector<std::string> options;          // the Java options before -cp
  std::u16string runtime;                    // the bundled runtime's folder, or empty
  std::string runtime_written;               // that folder as the parameter file wrote it
  bool searched;                             // the registry search, in this range
  version lower;
  version upper;
};

// One "warning: " line for each finding, in class-path order, then the main class, the
// runtime, the main class's version and its start through JavaFX, the class-file versions
// and the modules.
std::string java_side_warnings(const started_java& java);
