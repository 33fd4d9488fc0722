// Process identity, errors, text, memory, environment, boxes and processes of the
// simulated machine.
#include <cstdlib>

#include "platform/os.h"
#include "platform/simulated/machine.h"

using simulated_os::current;

namespace os {

const char16_t* command_line() {
  return current().command_line.c_str();
}

uint32_t module_path(char16_t* buf, uint32_t size) {
  simulated_os::machine& m = current();
  if (m.faults.module_path_fails) {
    m.last_error = 5;
    return 0;
  }
  size_t n = m.module_path.size();
  if (m.faults.module_path_truncated || n >= size) {
    for (uint32_t i = 0; i + 1 < size; ++i) buf[i] = i < n ? m.module_path[i] : u'x';
    buf[size - 1] = 0;
    m.last_error = 122;
    return size;
  }
  for (size_t i = 0; i <= n; ++i) buf[i] = m.module_path.c_str()[i];
  return static_cast<uint32_t>(n);
}

uint32_t last_error() {
  return current().last_error;
}

int error_number() {
  return current().error_number;
}

uint32_t system_message(uint32_t code, char16_t* buf, uint32_t size) {
  auto found = current().system_messages.find(code);
  if (found == current().system_messages.end()) {
    buf[0] = u'#';  // content the system leaves undefined when it has no text
    buf[size - 1] = 0;
    return 0;
  }
  uint32_t n = 0;
  for (; n + 1 < size && n < found->second.size(); ++n) buf[n] = found->second[n];
  buf[n] = 0;
  return n;
}

namespace {

// Reads the UTF-8 sequence at p (at most left bytes): returns the bytes it takes and
// sets its code point, U+FFFD for a malformed one. As Windows' converter does (seen under
// Wine), a malformed sequence takes its lead and the continuation bytes read before the
// fault, a surrogate, overlong or too large value shows at the second byte, and a
// sequence cut by the end of the text is one replacement.
int decode_utf8(const unsigned char* p, int left, uint32_t* code_point) {
  unsigned char b = p[0];
  *code_point = b;
  if (b < 0x80) return 1;
  *code_point = 0xFFFD;
  int length = b >= 0xF5 ? 0 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 ? 2 : 0;
  if (length == 0) return 1;
  uint32_t c = b & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    if (i == left || (p[i] & 0xC0) != 0x80) return i;
    c = c << 6 | (p[i] & 0x3F);
    bool out_of_range = length == 3 ? c < 0x20 || (c >= 0x360 && c <= 0x37F)
                                    : length == 4 && (c < 0x10 || c >= 0x110);
    if (i == 1 && out_of_range) return 2;
  }
  *code_point = c;
  return length;
}

}  // namespace

int utf8_to_utf16(const char* bytes, int size, char16_t* out, int capacity) {
  if (current().faults.conversion_fails) {
    current().last_error = 1113;
    return 0;
  }
  const unsigned char* p = reinterpret_cast<const unsigned char*>(bytes);
  int written = 0;
  for (int i = 0; i < size;) {
    uint32_t c = 0;
    i += decode_utf8(p + i, size - i, &c);
    int units = c >= 0x10000 ? 2 : 1;
    if (written + units > capacity) {
      current().last_error = 122;
      return 0;
    }
    if (units == 2) {
      out[written++] = static_cast<char16_t>(0xD7C0 + (c >> 10));
      out[written++] = static_cast<char16_t>(0xDC00 | (c & 0x3FF));
    } else {
      out[written++] = static_cast<char16_t>(c);
    }
  }
  return written;
}

bool is_letter(char16_t c) {
  if ((c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z')) return true;
  if (c >= 0xC0 && c <= 0x24F) return c != 0xD7 && c != 0xF7;
  return (c >= 0x386 && c <= 0x3FF) || (c >= 0x400 && c <= 0x4FF) || (c >= 0x4E00 && c <= 0x9FFF);
}

void* resize(void* block, size_t size) {
  simulated_os::machine& m = current();
  if (++m.allocations == m.faults.fail_allocation) return nullptr;
  void* result = realloc(block, size);
  if (result) {
    m.live_blocks.erase(block);
    m.live_blocks.insert(result);
  }
  return result;
}

void release(void* block) {
  current().live_blocks.erase(block);
  free(block);
}

const char16_t* environment(const char16_t* name) {
  simulated_os::machine& m = current();
  bool first = !m.environment_read;
  m.environment_read = true;
  auto found = m.environment.find(name);
  if (first && m.log_on && found == m.environment.end() &&
      !simulated_os::ignore_case_less()(name, u"VERBOSE_TAVRIN") &&
      !simulated_os::ignore_case_less()(u"VERBOSE_TAVRIN", name)) {
    return u"";
  }
  return found == current().environment.end() ? nullptr : found->second.c_str();
}

void report_error(const char16_t* text, const char16_t* caption, uint32_t style) {
  current().boxes.push_back({text, caption, style});
}

bool start_process(char16_t* command, bool wait, process* started) {
  simulated_os::machine& m = current();
  if (m.faults.start_fails) {
    m.last_error = 2;
    return false;
  }
  m.started.push_back(command);
  started->id = static_cast<uint32_t>(1000 + m.started.size());
  started->handle = nullptr;
  started->job_error = wait && m.faults.job_fails ? 5 : 0;
  return true;
}

void wait_process(const process& started) {
  current().waited.push_back(started.id);
}

// The simulated machine is the windowed launcher's.
int exit_code_after_wait(const process&) {
  return 0;
}

void close_process(const process& started) {
  current().closed.push_back(started.id);
}

void exit_process(int code) {
  if (current().end) current().end(code);
  std::abort();
}

}  // namespace os
