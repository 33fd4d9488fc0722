// Class-file versions against the runtime that a command would start: a bundled runtime
// by its release, the registry search by its range.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "class_file.h"
#include "java_side.h"
#include "runtime_image.h"

// What the classes of one class-path place need of the runtime, the main class aside,
// which has a line of its own.
struct place_versions {
  std::string place;  // the jar or directory as written
  uint16_t major;     // the highest class-file version, and a class of it
  std::string newest;
  uint16_t preview_major;  // a class compiled with its release's preview features, or none
  std::string preview;
};

void record_version(place_versions* place, const class_file& file, std::string_view main_class);

// Why the runtime would refuse a class of this class-file version: a phrase ("but the
// bundled runtime 'jre' is 1.8.0_392"), or empty when it would not.
std::string version_problem(const started_java& java, const runtime_release& release,
                            uint16_t major);

// A line for each kind of class of the place that the runtime would refuse.
std::string place_warnings(const started_java& java, const runtime_release& release,
                           const place_versions& place);
