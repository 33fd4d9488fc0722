// An in-memory machine behind the operating-system services, for native tests and
// fuzzing: files and directories, an environment, a registry with a 64-bit and a 32-bit
// view, recorded boxes, processes and exit, and failures to inject.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace memory_os {

// Orders texts by their ASCII-uppercased form, as Windows compares names.
struct ignore_case_less {
  bool operator()(const std::u16string& a, const std::u16string& b) const;
};

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

// Thrown by exit_process, so that a test regains control where the launcher ends.
struct exited {
  int code;
};

struct machine {
  // Process identity.
  std::u16string command_line = u"\"C:\\app\\app.exe\"";
  std::u16string module_path = u"C:\\app\\app.exe";
  bool module_path_fails = false;                      // returns 0 with last_error 5
  bool module_path_truncated = false;                  // fills the whole buffer
  std::map<uint32_t, std::u16string> system_messages;  // texts FormatMessage knows

  // Files: contents by path, directories, and failures by path.
  std::map<std::u16string, std::string, ignore_case_less> files;
  std::set<std::u16string, ignore_case_less> directories;
  std::map<std::u16string, int, ignore_case_less> open_errors;  // errno of a failing open
  bool size_fails = false;        // the size of an opened file cannot be told (errno 22)
  bool read_fails = false;        // the stream reports an error (errno 5)
  bool read_short = false;        // one byte fewer than the size arrives
  bool conversion_fails = false;  // UTF-8 conversion fails with last_error 1113
  std::set<std::u16string, ignore_case_less> unwritable;  // creating these fails
  std::vector<std::u16string> created_outputs;  // every file created for writing, in order
  std::string standard_error;

  // Environment, names compared without regard to case.
  std::map<std::u16string, std::u16string, ignore_case_less> environment;

  // Registry: the 64-bit view, the 32-bit view and which one is the default view.
  registry_view view64;
  registry_view view32;
  bool default_view_is_64 = true;
  std::map<std::u16string, int32_t, ignore_case_less> failing_keys;  // open fails with the code
  int32_t data_query_error = 0;                // the second query of a value fails with the code
  std::vector<std::u16string> registry_calls;  // "open 64 <path>", "query 32 <path>\<value>"
  std::vector<uint32_t> open_access;           // access mask of every open

  // Memory: allocation number n (from 1) fails when fail_allocation == n.
  uint64_t allocations = 0;
  uint64_t fail_allocation = 0;
  std::set<void*> live_blocks;

  // What the launcher did.
  std::vector<shown_box> boxes;
  std::vector<std::u16string> started;  // command lines of started processes
  bool start_fails = false;             // with last_error 2
  std::vector<uint32_t> waited;         // process ids waited for
  std::vector<uint32_t> closed;         // process ids closed
  uint32_t last_error = 0;
  int error_number = 0;
};

// The machine the services run on. reset() gives a fresh one; blocks still allocated
// stay allocated, as they would until a real process ended.
machine& current();
void reset();

// Adds a file, and the directories above it.
void add_file(const std::u16string& path, const std::string& bytes);
void add_directory(const std::u16string& path);

// Sets a value in a view (64 or 32), creating its key.
void set_registry_value(int view, const std::u16string& key, const std::u16string& name,
                        uint32_t type, const std::string& data);

// Stores a REG_SZ value as UTF-16 bytes with a terminator.
void set_registry_text(int view, const std::u16string& key, const std::u16string& name,
                       const std::u16string& text);

// Runs f; returns the exit code when it ends the launcher, -1 when it returns.
template <typename F>
int run_to_exit(F f) {
  try {
    f();
  } catch (const exited& e) {
    return e.code;
  }
  return -1;
}

}  // namespace memory_os
