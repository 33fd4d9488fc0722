#include "class_versions.h"

#include <algorithm>

#include "range_text.h"
#include "text.h"

namespace {

// Whether the registry version v is older than a release: releases up to 8 are versions
// 1.x, later ones x.y.
bool older(version v, int release) {
  version needed = release <= 8 ? version{1, release, 0} : version{release, 0, 0};
  return v.major != needed.major ? v.major < needed.major : v.minor < needed.minor;
}

// A class compiled with preview features runs only on exactly its release, with
// --enable-preview.
std::string preview_problem(const started_java& java, const runtime_release& release, int needs) {
  if (std::find(java.options.begin(), java.options.end(), "--enable-preview") == java.options.end())
    return "but the command lacks --enable-preview";
  if (!java.runtime.empty() && release.feature >= 0 && needs != release.feature)
    return "but the bundled runtime '" + java.runtime_written + "' is " + release.version;
  if (java.searched && (older(java.lower, needs) || !older(java.upper, needs + 1)))
    return "and the registry search may pick another runtime (" +
           range_text(java.lower, java.upper) + ")";
  return "";
}

}  // namespace

void record_version(place_versions* place, const class_file& file, std::string_view main_class) {
  if (file.minor == preview_minor && place->preview.empty()) {
    place->preview_major = file.major;
    place->preview = dotted(file.name);
  }
  if (file.major > place->major && file.name != main_class) {
    place->major = file.major;
    place->newest = dotted(file.name);
  }
}

std::string version_problem(const started_java& java, const runtime_release& release,
                            uint16_t major) {
  int needs = java_feature(major);
  if (needs < 1) return "";
  if (!java.runtime.empty() && release.feature >= 0 && needs > release.feature)
    return "but the bundled runtime '" + java.runtime_written + "' is " + release.version;
  if (!java.searched) return "";
  if (older(java.upper, needs))
    return "newer than any runtime the registry search accepts (" +
           range_text(java.lower, java.upper) + ")";
  if (older(java.lower, needs))
    return "and the registry search may pick an older runtime (" +
           range_text(java.lower, java.upper) + ")";
  return "";
}

std::string place_warnings(const started_java& java, const runtime_release& release,
                           const place_versions& place) {
  const char* tail = "; the JVM would fail with UnsupportedClassVersionError when it loads them";
  std::string warnings, problem = version_problem(java, release, place.major);
  if (!problem.empty()) {
    warnings +=
        warning_line("'" + place.place + "' holds classes for Java " + java_release(place.major) +
                     " (class file version " + std::to_string(place.major) + ", e.g. " +
                     place.newest + "), " + problem + tail);
  }
  problem = place.preview.empty()
                ? ""
                : preview_problem(java, release, java_feature(place.preview_major));
  if (!problem.empty()) {
    warnings += warning_line("'" + place.place + "' holds classes that use the preview features " +
                             "of Java " + java_release(place.preview_major) +
                             " (class file version " + std::to_string(place.preview_major) +
                             ".65535, e.g. " + place.preview + "), " + problem + tail);
  }
  return warnings;
}
