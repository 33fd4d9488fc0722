// Modules that no class names but that apps commonly need, as the JDK loads them as
// services or providers; each is added when the app's classes use one of its trigger
// packages or classes.
#pragma once

#include <vector>

struct service_module {
  const char* module;
  const char* subject;  // what the trigger packages stand for: "TLS"
  // Packages or classes (their last part capitalized) in class-file form: javax/net/ssl.
  std::vector<const char*> triggers;
  int before;       // added only for targets older than this release; 0: any
  const char* why;  // the rest of the reason, after the package
};

extern const std::vector<service_module> service_modules;
