// Every class file of one class-path place: a jar's entries (as the jar is seen, outside
// META-INF/) or the files below a directory.
#pragma once

#include <functional>
#include <string>

#include "class_file.h"
#include "class_path_walk.h"

// Calls use for each class file of the place, read; its names point into bytes that the
// next one replaces. Stops at the first that cannot be read, with a line for it in
// *warnings.
void scan_classes(const class_path_entry& entry, jar_file* jar,
                  const std::function<void(const class_file&)>& use, std::string* warnings);
