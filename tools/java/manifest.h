// A jar manifest's main attributes that change what the JVM loads, read as
// java.util.jar.Manifest reads them.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct jar_manifest {
  std::vector<std::string> class_path;  // Class-Path's URLs, in order, as written
  bool multi_release;                   // Multi-Release: true
  bool lost_class_path;    // the last line has no line end, which the JDK ignores the line for,
                           // and the Class-Path would differ with it
  std::string main_class;  // Main-Class, without the spaces around it; empty when none
};

// Lines end in CR LF, LF or CR; a line starting with a space continues the one before it;
// the main section ends at the first empty line. Names are compared in any case, and a
// repeated attribute replaces the one before.
jar_manifest read_manifest(std::string_view manifest);
