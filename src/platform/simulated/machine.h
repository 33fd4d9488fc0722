// A simulated Windows machine behind the operating-system services: files and
// directories (held in memory, or standing for local files), an environment, a registry
// with a 64-bit and a 32-bit view, and a record of what the launcher did. The unit tests,
// fuzz targets and benchmarks run the core on it, and so does tavrin-check.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/simulated/faults.h"
#include "platform/simulated/ignore_case.h"

namespace simulated_os {

struct registry_value {
  uint32_t type;
  std::string data;  // the exact bytes stored
};

// A key path such as HKEY_LOCAL_MACHINE\SOFTWARE\JavaSoft, and its values by name.
using registry_view =
    std::map<std::u16string, std::map<std::u16string, registry_value, ignore_case_less>,
             ignore_case_less>;

struct shown_box {
  std::u16string text;
  std::u16string caption;
  uint32_t style;
};

struct machine {
  // Process identity.
  std::u16string command_line = u"\"C:\\app\\app.exe\"";
  std::u16string module_path = u"C:\\app\\app.exe";
  std::map<uint32_t, std::u16string> system_messages;  // texts FormatMessage knows

  // Files: contents by path, files whose bytes are read from a local file (UTF-8 path)
  // when opened, directories, and every existence query with its answer, in order.
  std::map<std::u16string, std::string, ignore_case_less> files;
  std::map<std::u16string, std::string, ignore_case_less> local_files;
  std::set<std::u16string, ignore_case_less> directories;
  std::vector<std::pair<std::u16string, bool>> existence_queries;
  std::vector<std::u16string> created_outputs;  // every file created for writing, in order
  std::string standard_error;

  // Environment, names compared without regard to case. With log_on the first query of
  // the run finds VERBOSE_TAVRIN defined: the launcher asks it first, to decide its log,
  // before it reads any variable, so the parameter file still sees only the environment.
  std::map<std::u16string, std::u16string, ignore_case_less> environment;
  bool log_on = false;
  bool environment_read = false;

  // Registry: the 64-bit view, the 32-bit view and which one is the default view.
  registry_view view64;
  registry_view view32;
  bool default_view_is_64 = true;
  std::vector<std::u16string> registry_calls;  // "open 64 <path>", "query 32 <path>\<value>"
  std::vector<uint32_t> open_access;           // access mask of every open

  // Memory: allocations counted from 1, and the blocks still allocated.
  uint64_t allocations = 0;
  std::set<void*> live_blocks;

  // What the launcher did.
  std::vector<shown_box> boxes;
  std::vector<std::u16string> started;  // command lines of started processes
  std::vector<uint32_t> waited;         // process ids waited for
  std::vector<uint32_t> closed;         // process ids closed
  uint32_t last_error = 0;
  int error_number = 0;

  // Where the launcher ends: exit_process calls it with the exit code. It must not return.
  void (*end)(int code) = nullptr;

  injected_faults faults;
};

// The machine the services run on. reset() gives a fresh one; blocks still allocated
// stay allocated, as they would until a real process ended.
machine& current();
void reset();

// Adds a file, and the directories above it.
void add_file(const std::u16string& path, const std::string& bytes);
// Adds a file whose bytes are read from a local file (UTF-8 path) when it is opened.
void add_local_file(const std::u16string& path, const std::string& local_path);
void add_directory(const std::u16string& path);

// The path as Windows reads it for a lookup: '/' as '\', no empty or "." components, ".."
// taking away the component before it, and no trailing backslash, so that a directory is
// found with or without one. A path with no drive or server root is left as it is.
std::u16string lookup_name(const char16_t* path);

// Sets a value in a view (64 or 32), creating its key.
void set_registry_value(int view, const std::u16string& key, const std::u16string& name,
                        uint32_t type, const std::string& data);

// Stores a REG_SZ value as UTF-16 bytes with a terminator.
void set_registry_text(int view, const std::u16string& key, const std::u16string& name,
                       const std::u16string& text);

// Thrown where the launcher ends, by the machine's end handler that run_to_exit installs.
struct exited {
  int code;
};

[[noreturn]] inline void throw_exited(int code) {
  throw exited{code};
}

// Runs f with an end handler that throws; returns the exit code when it ends the
// launcher, -1 when it returns. For the unit tests, and for tavrin-pack, which checks the
// image it wrote and goes on: both link a native copy of the core that keeps exceptions,
// so the launcher's frames unwind. The launcher's own build never throws.
template <typename F>
int run_to_exit(F f) {
  current().end = throw_exited;
  try {
    f();
  } catch (const exited& e) {
    return e.code;
  }
  return -1;
}

}  // namespace simulated_os
