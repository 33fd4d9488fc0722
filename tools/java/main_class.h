// The main class's file along the class path: in a jar by its exact name; in a directory
// as Windows finds it, whatever its case.
#pragma once

#include <cstdint>
#include <string>

#include "class_path_walk.h"

struct main_class_search {
  std::string name;     // as the command names it: a.b.Main
  bool found;           // a file was found, and the search is over
  uint16_t major;       // its class-file version, when readable
  std::string warning;  // a line when the file found cannot be the class
};

// Looks for the class in one class-path place, unless it was found before.
void find_main_class(main_class_search* search, const class_path_entry& entry, jar_file* jar);
