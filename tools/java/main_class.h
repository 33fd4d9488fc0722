// The main class's file along the class path: in a jar by its exact name; in a directory
// as Windows finds it, whatever its case. The class in it must have the name asked for,
// as the JVM compares them.
#pragma once

#include <cstdint>
#include <string>

#include "class_path_walk.h"

struct main_class_search {
  std::string name;      // as the command names it: a.b.Main
  std::string internal;  // as class files name it: a/b/Main
  bool found;            // a file was found, or the name can name none, and the search is over
  uint16_t major;        // its class-file version, when readable
  std::string warning;   // a line when the file found cannot be the class, or the name none
};

// A search for the class a command names. The java launcher takes a/b/Main for a.b.Main;
// a name with an empty part between dots is over at once, with its warning.
main_class_search main_class_named(const std::string& name);

// Looks for the class in one class-path place, unless it was found before.
void find_main_class(main_class_search* search, const class_path_entry& entry, jar_file* jar);
