// The JDK modules that the classes of the class path use, as their constant pools name
// JDK packages: for each module a runtime lacks, the first place and class that use it.
#pragma once

#include <string>
#include <vector>

#include "class_path_walk.h"

struct first_use {
  std::string place;       // the jar or directory as written; empty while unused
  std::string used_class;  // the JDK class it names, as java.sql.Connection
};

struct module_use {
  std::vector<bool> provided;      // by module index
  std::vector<first_use> missing;  // by module index
  std::string warnings;            // a line for each place whose classes cannot all be read
};

// A use record for a runtime that provides the named modules.
module_use modules_provided(const std::vector<std::string>& names);

// Reads the constant pool of every class in one class-path place. Entries under META-INF/
// (a multi-release jar's versions among them) are not read.
void record_module_use(module_use* use, const class_path_entry& entry, jar_file* jar);
