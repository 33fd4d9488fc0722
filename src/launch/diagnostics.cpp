#include "launch/diagnostics.h"

#include "launch/file_names.h"
#include "launch/format.h"
#include "launch/wide_text.h"
#include "platform/os.h"
#include "tavrin_version.h"

namespace {

constexpr int log_undecided = -1;
constexpr int log_on = 0;
constexpr int log_off = 1;

int log_state = log_undecided;
os::output_stream* log_stream = nullptr;

constexpr size_t box_capacity = 4096;
char16_t box_text[box_capacity];

constexpr size_t system_text_capacity = 1024;
char16_t system_text[system_text_capacity];

const char banner[] = "Quorbel tavrin version " TAVRIN_VERSION "\r\n";

// Encodes entry text for the log: Latin-1 bytes, CR LF line ends, '?' for characters
// that Latin-1 cannot hold. Bytes are gathered so that a short entry is one write.
struct log_sink {
  text_sink base;
  char bytes[2048];
  size_t used;
  char16_t previous;  // the last unit put, as a line feed may start the next piece
};

void drain(log_sink* sink) {
  os::write_output(log_stream, sink->bytes, sink->used);
  sink->used = 0;
}

void put_log_text(text_sink* base, const char16_t* text, size_t count) {
  log_sink* sink = reinterpret_cast<log_sink*>(base);
  for (size_t i = 0; i < count; ++i) {
    if (sink->used + 2 > sizeof sink->bytes) drain(sink);
    char16_t c = text[i];
    if (lacks_carriage_return(sink->previous, c)) sink->bytes[sink->used++] = '\r';
    sink->bytes[sink->used++] = c <= 0xFF ? static_cast<char>(c) : '?';
    sink->previous = c;
  }
}

void write_log_entry(const char16_t* format, va_list args) {
  if (!log_stream) return;
  log_sink sink{{put_log_text}, {}, 0, 0};
  format_to(&sink.base, format, args);
  put_log_text(&sink.base, u"\n\n", 2);
  drain(&sink);
  os::flush_output(log_stream);
}

// Opens the log beside the executable. A launcher path that cannot be had, or is cut,
// leaves the log silent; a log name that does not fit goes to standard error rather
// than risk opening any other file.
void start_log() {
  if (!os::environment(u"VERBOSE_TAVRIN")) {
    log_state = log_off;
    return;
  }
  log_state = log_on;
  char16_t launcher_path[path_capacity];
  uint32_t length = os::module_path(launcher_path, path_capacity);
  if (length == 0 || length >= path_capacity) return;
  char16_t log_name[path_capacity];
  if (replace_extension(launcher_path, u".tavrin_log", log_name)) {
    log_stream = os::create_output(log_name);
  }
  if (!log_stream) log_stream = os::standard_error();
  os::write_output(log_stream, banner, sizeof banner - 1);
}

}  // namespace

void vlog_message(const char16_t* format, va_list args) {
  if (log_state == log_undecided) start_log();
  if (log_state == log_off) return;
  write_log_entry(format, args);
}

void log_message(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  vlog_message(format, args);
  va_end(args);
}

void vshow_error(const char16_t* format, va_list args) {
  va_list for_log;
  va_copy(for_log, args);
  write_log_entry(format, for_log);
  va_end(for_log);
  vformat_into(box_text, box_capacity, format, args);
  // MB_OK | MB_ICONERROR | MB_TASKMODAL | MB_SETFOREGROUND
  os::report_error(box_text, u"Error", 0x12010);
}

void show_error(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  vshow_error(format, args);
  va_end(args);
}

void fatal_error(const char16_t* format, ...) {
  va_list args;
  va_start(args, format);
  vshow_error(format, args);
  va_end(args);
  exit_launcher(2);
}

const char16_t* system_error_text(uint32_t code) {
  char16_t message[991];
  if (os::system_message(code, message, 991) == 0) message[0] = 0;
  format_into(system_text, system_text_capacity, u"%s (error %d)", message, static_cast<int>(code));
  return system_text;
}

void* alloc_or_exit(void* block, size_t size) {
  // A request for nothing still gets a block, so that a null result means exhaustion.
  void* result = os::resize(block, size ? size : 1);
  if (!result) fatal_error(u"Out of memory");
  return result;
}

size_t byte_count(uint64_t count, size_t unit) {
  if (count > SIZE_MAX / unit) return SIZE_MAX;
  return static_cast<size_t>(count) * unit;
}

void exit_launcher(int code) {
  if (log_stream) {
    if (log_stream == os::standard_error()) {
      os::flush_output(log_stream);
    } else {
      os::close_output(log_stream);
    }
  }
  os::exit_process(code);
}
