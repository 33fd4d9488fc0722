// Files of the in-memory machine.
#include "platform/memory/machine.h"
#include "platform/os.h"

using memory_os::current;

namespace os {

struct input_file {
  std::string bytes;
};

struct output_stream {
  std::string* target;  // the file's content or the standard error text
};

bool path_exists(const char16_t* path) {
  std::u16string name = path;
  // A directory is found with or without its trailing backslash.
  while (name.size() > 3 && name.back() == u'\\') name.pop_back();
  return current().files.count(name) || current().directories.count(name);
}

input_file* open_input(const char16_t* path) {
  memory_os::machine& m = current();
  auto failing = m.open_errors.find(path);
  if (failing != m.open_errors.end()) {
    m.error_number = failing->second;
    return nullptr;
  }
  auto found = m.files.find(path);
  if (found == m.files.end()) {
    m.error_number = m.directories.count(path) ? 13 : 2;
    return nullptr;
  }
  return new input_file{found->second};
}

long input_size(input_file* file) {
  if (current().size_fails) {
    current().error_number = 22;
    return -1;
  }
  return static_cast<long>(file->bytes.size());
}

size_t read_input(input_file* file, void* buf, size_t size, bool* failed) {
  memory_os::machine& m = current();
  *failed = m.read_fails;
  if (m.read_fails) m.error_number = 5;
  size_t n = file->bytes.size() < size ? file->bytes.size() : size;
  if (m.read_short && n > 0) --n;
  file->bytes.copy(static_cast<char*>(buf), n);
  return n;
}

void close_input(input_file* file) {
  delete file;
}

output_stream* create_output(const char16_t* path) {
  memory_os::machine& m = current();
  m.created_outputs.push_back(path);
  if (m.unwritable.count(path) || m.directories.count(path)) return nullptr;
  std::string& content = m.files[path];
  content.clear();
  return new output_stream{&content};
}

output_stream* standard_error() {
  static output_stream stream{nullptr};
  stream.target = &current().standard_error;
  return &stream;
}

void write_output(output_stream* stream, const char* bytes, size_t size) {
  if (stream) stream->target->append(bytes, size);
}

void flush_output(output_stream*) {}

void close_output(output_stream* stream) {
  delete stream;
}

}  // namespace os
