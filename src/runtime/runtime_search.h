// Finds an installed Java runtime by version range in the classic registration under
// HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft\Java Runtime Environment, newest first.
#pragma once

#include <cstdint>

struct version {
  int32_t major;
  int32_t minor;
  int32_t micro;
};

// Weight of a minus weight of b, weighing major by 10000, minor by 100 and micro by 1.
int64_t version_diff(version a, version b);

// True when lower <= v <= upper by weight.
bool version_in_range(version v, version lower, version upper);

// How many candidates find_runtime may try for the range; a wider range could keep the
// search busy for hours, so the launcher refuses it.
int64_t candidate_count(version lower, version upper);
constexpr int64_t max_candidates = 10000;

// Writes the runtime's java.exe (javaw.exe with the javaw flag) into launcher and returns
// 1 for the newest registered runtime in the range; 0 when there is none. The launcher's
// search is in registry_search.cpp; tavrin-check links a stand-in that reads no registry.
int find_runtime(version lower, version upper, bool javaw, char16_t* launcher);

// 1 and the launcher path when exactly this version is registered with a JavaHome.
int try_runtime_version(version v, bool javaw, char16_t* launcher);
