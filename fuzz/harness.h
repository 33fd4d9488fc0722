// What the fuzz targets share: a fresh simulated machine for every input with the
// launcher's log held off, input bytes read as UTF-16 text, a machine with files and an
// installed runtime, and checks that abort so that libFuzzer reports the input.
#pragma once

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "launch/diagnostics.h"
#include "platform/simulated/machine.h"
#include "runtime/registry_path.h"

namespace fuzz {

inline void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

// Releases the registry result buffer, the one block the core keeps between calls.
inline void release_registry_result() {
  uint32_t type = 0;
  read_registry_path(u"", &type, 0);
}

// Replaces the machine by a fresh one. The previous run's blocks that the launcher left
// to process end are freed here, and the old machine is deleted, so that memory use stays
// flat over millions of runs. The first call decides the log off while no
// VERBOSE_TAVRIN is defined, so no input can turn it on later.
inline void fresh_machine() {
  static const bool log_decided = (log_message(u""), true);
  (void)log_decided;
  simulated_os::machine* old = &simulated_os::current();
  release_registry_result();
  for (void* block : old->live_blocks) std::free(block);
  simulated_os::reset();
  delete old;
}

// For a run that returned normally, once the caller released what it owns.
inline void require_all_released() {
  release_registry_result();
  require(simulated_os::current().live_blocks.empty(), "a block is left allocated");
}

// Runs f; a launcher exit must be the fatal-error exit with one box shown.
template <typename F>
void run_allowing_fatal(F f) {
  int code = simulated_os::run_to_exit(f);
  if (code == -1) return;
  require(code == 2, "exit code of a fatal error is 2");
  require(simulated_os::current().boxes.size() == 1, "a fatal error shows one box");
}

// Bytes to UTF-16: 0xFF and the two bytes after it are one unit, little endian, so that
// every unit can be reached; any other byte is the unit of the same value, so that ASCII
// seeds stay readable. The text ends at the first zero unit.
inline std::u16string text_of(const uint8_t* data, size_t size) {
  std::u16string text;
  for (size_t i = 0; i < size; ++i) {
    char16_t c = data[i];
    if (c == 0xFF && i + 2 < size) {
      c = static_cast<char16_t>(data[i + 1] | data[i + 2] << 8);
      i += 2;
    }
    if (c == 0) break;
    text += c;
  }
  return text;
}

constexpr char16_t runtime_key[] =
    u"HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment";

// Files beside the launcher, and runtimes registered well and badly in both views.
inline void lay_out_machine() {
  using namespace simulated_os;
  add_file(u"C:\\app\\app.exe", "MZ");
  add_file(u"C:\\app\\jre\\bin\\java.exe", "MZ");
  add_file(u"C:\\app\\lib\\a.jar", "PK");
  add_file(u"C:\\Java\\jre6\\bin\\java.exe", "MZ");
  add_directory(
      u"C:\\app\\classes\\");  // Windows finds a directory by its name with a trailing backslash
  const std::u16string jre = runtime_key;
  set_registry_text(64, jre, u"CurrentVersion", u"1.6");
  set_registry_text(64, jre + u"\\1.6", u"MicroVersion", u"0");
  set_registry_text(64, jre + u"\\1.6", u"JavaHome", u"C:\\Java\\jre6");
  set_registry_text(32, jre + u"\\1.5", u"MicroVersion", u"22");
  set_registry_text(32, jre + u"\\1.5", u"JavaHome", u"C:\\Java\\jre5");
  set_registry_value(64, jre + u"\\1.7", u"MicroVersion", 3, std::string("\x01\x02\x03", 3));
  set_registry_value(64, jre + u"\\1.8", u"MicroVersion", 1, std::string("1\0", 2));
  set_registry_value(64, jre + u"\\1.8", u"JavaHome", 1, std::string("C\0:\0\\", 5));
  set_registry_value(64, u"HKEY_CURRENT_USER\\Environment", u"", 1, std::string());
}

// Allocation number budget fails, which ends a long run with "Out of memory".
// TAVRIN_FUZZ_ALLOCATIONS overrides the budget; 0 lifts it, to reproduce a slow input.
inline void limit_allocations(uint64_t budget) {
  static const char* const set = std::getenv("TAVRIN_FUZZ_ALLOCATIONS");
  simulated_os::current().faults.fail_allocation = set ? std::strtoull(set, nullptr, 10) : budget;
}

}  // namespace fuzz
