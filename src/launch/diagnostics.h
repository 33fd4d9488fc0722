// The launcher's diagnostics and its only way of ending: the verbose log, the error box,
// system error texts, allocation that ends the launcher on exhaustion, and exit.
#pragma once

#include <cstdarg>
#include <cstddef>
#include <cstdint>

// Writes one entry to the verbose log; the first call starts the log when
// VERBOSE_TAVRIN is defined.
void log_message(const char16_t* format, ...);
void vlog_message(const char16_t* format, va_list args);

// Logs the message (when the log is already started) and shows it in the error box.
void show_error(const char16_t* format, ...);
void vshow_error(const char16_t* format, va_list args);

// show_error, then exit_launcher(2).
[[noreturn]] void fatal_error(const char16_t* format, ...);

// The system's text for an error code followed by " (error N)". The text lives in one
// buffer that the next call overwrites.
const char16_t* system_error_text(uint32_t code);

// Allocates (block null) or resizes a block; "Out of memory" ends the launcher.
void* alloc_or_exit(void* block, size_t size);

// Bytes for count items of unit bytes; SIZE_MAX, which no allocation satisfies, when the
// product does not fit.
size_t byte_count(uint64_t count, size_t unit);

// Flushes and closes the log, then ends the process with the code.
[[noreturn]] void exit_launcher(int code);
