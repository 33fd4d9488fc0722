// The modules the runtime gets, each with the reason it is in: java.base, the modules
// whose packages the app's classes name (read with the Java view and looked up in the
// target's own exports), the service modules their packages call for, and those asked for.
#pragma once

#include <string>
#include <vector>

#include "class_path_walk.h"
#include "runtime/target_jdk.h"

// Where the simulated machine holds the image whose classes are read.
constexpr char16_t image_folder[] = u"C:\\App\\";

struct chosen_module {
  std::string name;
  std::string reason;  // used by demo.Db (app/lib/db.jar), the jar named by its place in the image
};

struct module_choice {
  std::vector<chosen_module> modules;  // by name
  std::vector<std::string> left_out;   // service modules the module path lacks, with why
};

// Reads every class of the class path, as the simulated machine holds the image in
// image_folder; what cannot be read is the check's to report. Refuses a requested module
// that the module path lacks.
module_choice choose_modules(const target_jdk& jdk, const std::vector<class_path_entry>& class_path,
                             const std::vector<std::string>& requested);
