// The effective class path, as the JVM's application class loader reads it: the kept
// entries in order, each jar's manifest Class-Path right after that jar, resolved against
// the jar's folder, recursively, every jar and directory once.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "jar.h"

struct class_path_entry {
  std::string written;  // as the parameter file or a manifest wrote it
  std::u16string path;  // the Windows path it resolves to
};

// Calls visit for each directory (jar null) and readable jar of the path, in order; the
// jar stays open for the call, a multi-release jar as a runtime of release feature (-1 for
// none known) reads it. Appends to *warnings a line for each class-path file that is no
// readable jar, each manifest entry that does not exist and each Class-Path the JVM ignores.
void walk_class_path(const std::vector<class_path_entry>& kept, int feature,
                     const std::function<void(const class_path_entry&, jar_file* jar)>& visit,
                     std::string* warnings);
