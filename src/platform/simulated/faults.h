// What only the unit tests, fuzz targets and benchmarks use on the simulated machine:
// failures to inject. The tools that run the launcher on it never set any of them.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>

#include "platform/simulated/ignore_case.h"

namespace simulated_os {

struct injected_faults {
  bool module_path_fails = false;                               // returns 0 with last_error 5
  bool module_path_truncated = false;                           // fills the whole buffer
  std::map<std::u16string, int, ignore_case_less> open_errors;  // errno of a failing open
  bool size_fails = false;        // the size of an opened file cannot be told (errno 22)
  bool read_fails = false;        // the stream reports an error (errno 5)
  bool read_short = false;        // one byte fewer than the size arrives
  bool conversion_fails = false;  // UTF-8 conversion fails with last_error 1113
  std::set<std::u16string, ignore_case_less> unwritable;             // creating these fails
  std::map<std::u16string, int32_t, ignore_case_less> failing_keys;  // open fails with the code
  int32_t data_query_error = 0;  // the second query of a value fails with the code
  uint64_t fail_allocation = 0;  // allocation number n (from 1) fails when equal to n
  bool start_fails = false;      // with last_error 2
  bool job_fails = false;        // a child that will be waited for gets no job (error 5)
};

}  // namespace simulated_os
