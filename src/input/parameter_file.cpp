#include "input/parameter_file.h"

#include <cstddef>

#include "launch/diagnostics.h"
#include "platform/os.h"

char16_t* load_parameter_file(const char16_t* file_name) {
  log_message(u"Loading parameter file\n'%s'", file_name);
  os::input_file* file = os::open_input(file_name);
  if (!file) {
    fatal_error(u"Cannot open parameter file\n'%.1000s':\nerrno=%d", file_name, os::error_number());
  }
  long size = os::input_size(file);
  if (size <= 0) {
    int error = os::error_number();
    os::close_input(file);
    if (size == 0) fatal_error(u"Parameter file\n'%.1000s'\nis empty", file_name);
    fatal_error(u"Cannot seek parameter file\n'%.1000s':\nerrno=%d", file_name, error);
  }
  size_t byte_size = static_cast<size_t>(size);
  char* bytes = static_cast<char*>(alloc_or_exit(nullptr, byte_count(byte_size + 1ull, 1)));
  bool failed = false;
  size_t read = os::read_input(file, bytes, byte_size, &failed);
  if (failed || read < byte_size) {
    int error = os::error_number();
    os::release(bytes);
    os::close_input(file);
    fatal_error(u"Cannot read parameter file\n'%.1000s':\nerrno=%d", file_name, error);
  }
  os::close_input(file);

  const char* data = bytes;
  size_t data_size = byte_size;
  if (byte_size >= 3 && static_cast<unsigned char>(bytes[0]) == 0xEF &&
      static_cast<unsigned char>(bytes[1]) == 0xBB &&
      static_cast<unsigned char>(bytes[2]) == 0xBF) {
    data += 3;
    data_size -= 3;
    if (data_size == 0) {
      os::release(bytes);
      fatal_error(u"Parameter file\n'%.1000s'\nis empty", file_name);
    }
  }
  // One byte never yields more than one UTF-16 unit.
  char16_t* text = static_cast<char16_t*>(
      alloc_or_exit(nullptr, byte_count(data_size + 1ull, sizeof(char16_t))));
  int units =
      os::utf8_to_utf16(data, static_cast<int>(data_size), text, static_cast<int>(data_size));
  if (units <= 0) {
    uint32_t error = os::last_error();
    os::release(bytes);
    fatal_error(u"Cannot convert contents of parameter file\n'%.1000s'\nfrom UTF-8:\n%.255s",
                file_name, system_error_text(error));
  }
  os::release(bytes);
  text[units] = 0;
  log_message(u"Parameter file\n'%s'\nloaded", file_name);
  return text;
}
