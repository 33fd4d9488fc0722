// The operating-system services the launcher core needs, and nothing else.
// The executable implements them over Win32 (platform/win32); the unit tests and
// tavrin-check over a simulated machine (platform/simulated). The core never sees a
// Windows header.
#pragma once

#include <cstddef>
#include <cstdint>

namespace os {

// Process identity ---------------------------------------------------------------

// The process command line as the starting program wrote it (GetCommandLineW).
const char16_t* command_line();

// Writes the running executable's full path into buf (GetModuleFileNameW). Returns the
// number of characters written without the terminator; 0 on failure; size when the path
// did not fit, in which case the content of buf is a cut path and must not be used.
uint32_t module_path(char16_t* buf, uint32_t size);

// The calling thread's last error code (GetLastError).
uint32_t last_error();

// The C runtime's error number of the last failed file operation (errno).
int error_number();

// Writes the system's text for an error code into buf, at most size - 1 characters and
// a terminator (FormatMessageW, user's default language). Returns the length, 0 when
// the system has no text for the code.
uint32_t system_message(uint32_t code, char16_t* buf, uint32_t size);

// Text ---------------------------------------------------------------------------

// Converts size bytes of UTF-8 into at most capacity UTF-16 units, malformed sequences
// replaced rather than refused (MultiByteToWideChar, CP_UTF8, no flags). Returns the
// number of units written; 0 or less on failure, last_error() tells why.
int utf8_to_utf16(const char* bytes, int size, char16_t* out, int capacity);

// True for a character the platform's classification calls alphabetic, in any script.
bool is_letter(char16_t c);

// Memory -------------------------------------------------------------------------

// Allocates (block null) or resizes a block, keeping its content (realloc). Null when
// memory is exhausted.
void* resize(void* block, size_t size);

// Releases a block from resize; null is ignored (free).
void release(void* block);

// Files --------------------------------------------------------------------------

// True when the path names any file or directory (GetFileAttributesW succeeds).
bool path_exists(const char16_t* path);

struct input_file;

// Opens a file for reading bytes unchanged. Null on failure, error_number() tells why.
input_file* open_input(const char16_t* path);

// Size of the file in bytes from a seek to its end, or a negative number when the
// position cannot be told (error_number() tells why).
long input_size(input_file* file);

// Reads up to size bytes from the start of the file. *failed is set when the stream
// reports an error. Returns the number of bytes read.
size_t read_input(input_file* file, void* buf, size_t size, bool* failed);

void close_input(input_file* file);

struct output_stream;

// Creates or truncates a file for writing, with no sharing restriction. Null on failure.
output_stream* create_output(const char16_t* path);

// The process's standard error stream; writes to it may fail silently.
output_stream* standard_error();

// Writes bytes unchanged; failures are ignored.
void write_output(output_stream* stream, const char* bytes, size_t size);

// Pushes buffered bytes to the system; failures are ignored.
void flush_output(output_stream* stream);

// Flushes and closes a stream from create_output.
void close_output(output_stream* stream);

// Environment --------------------------------------------------------------------

// The value of an environment variable, names compared without regard to case; the
// empty text for a variable defined as empty; null when it is not defined.
const char16_t* environment(const char16_t* name);

// Registry (read only) -----------------------------------------------------------

using reg_key = uintptr_t;

enum reg_hive { hive_classes_root, hive_current_user, hive_local_machine, hive_users };

constexpr uint32_t key_query_value = 0x0001;
constexpr uint32_t key_wow64_64key = 0x0100;
constexpr uint32_t reg_sz = 1;

// The predefined key of a hive; it needs no close, but closing it is harmless.
reg_key registry_hive(reg_hive hive);

// Opens a subkey with the access mask (RegOpenKeyExW). Returns 0 or a system error code.
int32_t open_registry_key(reg_key parent, const char16_t* name, uint32_t access, reg_key* key);

// Queries a value's type and data (RegQueryValueExW). data null asks for the size only;
// otherwise *size is the capacity in bytes on entry and the data size on return.
// Returns 0 or a system error code.
int32_t query_registry_value(reg_key key, const char16_t* name, uint32_t* type, uint8_t* data,
                             uint32_t* size);

void close_registry_key(reg_key key);

// User interface -----------------------------------------------------------------

// Shows an error to the user and returns once it has been shown. The windowed launcher
// shows a modal message box with no owner window, the caption and the style, and returns
// when it is closed; the console launcher writes the text and a line end to standard
// error instead.
void report_error(const char16_t* text, const char16_t* caption, uint32_t style);

// Processes ----------------------------------------------------------------------

struct process {
  uint32_t id;
  void* handle;
  uint32_t job_error;  // 0, or the system error that left a waited-for child out of its job
};

// Starts the command line with the launcher's environment and current directory and a
// normal window (CreateProcessW); the system may modify the command's buffer. The windowed
// launcher hands on no handle; the console launcher hands on only its standard handles,
// shares its console (no window without one) and, when it will wait, holds the child in a
// job that ends it should the launcher be killed. False on failure, last_error() tells why.
bool start_process(char16_t* command, bool wait, process* started);

// Waits without time-out until the process ends. Meanwhile the console launcher outlives
// Ctrl+C, Ctrl+Break and the closing of its console, which reach the child and are the
// child's to act on.
void wait_process(const process& started);

// The launcher's exit code once the child it waited for has ended: always 0 for the
// windowed launcher, whose exit code tells only that the program started; the child's own
// exit code for the console launcher, so that scripts see the program's result.
int exit_code_after_wait(const process& ended);

void close_process(const process& started);

// Ends the launcher with the exit code; nothing runs after it.
[[noreturn]] void exit_process(int code);

}  // namespace os
