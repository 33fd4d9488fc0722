// The JDK modules that the classes of the class path use, as their constant pools name
// JDK packages, against the modules a runtime provides. A package that classes on the
// class path belong to is theirs where the runtime lacks its module, unless it is a
// java.* package, which only the JDK may define.
#pragma once

#include <set>
#include <string>
#include <vector>

#include "class_file.h"

struct first_use {
  std::string place;       // the jar or directory as written; empty while unused
  std::string used_class;  // the JDK class it names, as java.sql.Connection
  std::string package;     // that class's package, in class-file form
  int module;
};

struct module_use {
  std::vector<bool> provided;                      // by module index
  std::vector<first_use> uses;                     // of each package of a module not provided
  std::set<std::string, std::less<>> used;         // those packages
  std::set<std::string, std::less<>> on_the_path;  // JDK packages of the class path's classes
};

// A use record for a runtime that provides the named modules.
module_use modules_provided(const std::vector<std::string>& names);

// Records what one class of a class-path place uses, and its own package.
void record_module_use(module_use* use, const std::string& place, const class_file& file);

// For each module by index that a class uses, that the runtime lacks and that the class
// path does not stand in for, the first such use; an empty place for the others.
std::vector<first_use> missing_modules(const module_use& use);
