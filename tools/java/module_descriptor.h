// A module's descriptor, read from its module-info.class: its name, its version, the
// packages it exports to every module, and the platform it was built for.
#pragma once

#include <string>
#include <string_view>
#include <vector>

struct module_descriptor {
  std::string name;                  // java.sql
  std::string version;               // 17.0.15, as recorded; empty when none is
  std::string target_platform;       // windows-amd64, from ModuleTarget; empty when none is
  std::vector<std::string> exports;  // in class-file form (java/sql), qualified ones left out
};

// Reads a module-info.class into *out. False with *problem set (a phrase) when the bytes are
// no class file or their Module attribute cannot be read.
bool read_module_descriptor(std::string_view bytes, module_descriptor* out, std::string* problem);

// Reads the descriptor of a jmod: a 4-byte header ("JM", 1, 0), then a zip whose offsets
// count from its own start, holding classes/module-info.class. False with *problem set (a
// phrase) when the bytes are no jmod or hold no readable descriptor.
bool read_jmod_descriptor(std::string bytes, module_descriptor* out, std::string* problem);
