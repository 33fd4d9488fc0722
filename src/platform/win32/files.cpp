// File existence, the parameter file's input stream (C runtime, for its errno) and the
// log's output stream (Win32, unbuffered, shared with every other reader and writer).
#include <windows.h>

#include <cstdio>

#include "platform/os.h"
#include "platform/win32/wide.h"

namespace os {

bool path_exists(const char16_t* path) {
  return GetFileAttributesW(wide(path)) != INVALID_FILE_ATTRIBUTES;
}

input_file* open_input(const char16_t* path) {
  return reinterpret_cast<input_file*>(_wfopen(wide(path), L"rb"));
}

long input_size(input_file* file) {
  FILE* stream = reinterpret_cast<FILE*>(file);
  fseek(stream, 0, SEEK_END);
  return ftell(stream);
}

size_t read_input(input_file* file, void* buf, size_t size, bool* failed) {
  FILE* stream = reinterpret_cast<FILE*>(file);
  fseek(stream, 0, SEEK_SET);
  size_t read = fread(buf, 1, size, stream);
  *failed = ferror(stream) != 0;
  return read;
}

void close_input(input_file* file) {
  fclose(reinterpret_cast<FILE*>(file));
}

output_stream* create_output(const char16_t* path) {
  HANDLE file =
      CreateFileW(wide(path), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                  nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  return file == INVALID_HANDLE_VALUE ? nullptr : reinterpret_cast<output_stream*>(file);
}

output_stream* standard_error() {
  return reinterpret_cast<output_stream*>(GetStdHandle(STD_ERROR_HANDLE));
}

void write_output(output_stream* stream, const char* bytes, size_t size) {
  DWORD written = 0;
  WriteFile(reinterpret_cast<HANDLE>(stream), bytes, static_cast<DWORD>(size), &written, nullptr);
}

// Writes go straight to the system, so there is nothing left to push.
void flush_output(output_stream*) {}

void close_output(output_stream* stream) {
  CloseHandle(reinterpret_cast<HANDLE>(stream));
}

}  // namespace os
