// Files of the simulated machine.
#include <filesystem>
#include <fstream>
#include <iterator>

#include "platform/os.h"
#include "platform/simulated/machine.h"

using simulated_os::current;
using simulated_os::lookup_name;

namespace simulated_os {

std::u16string lookup_name(const char16_t* path) {
  std::u16string name = path;
  for (char16_t& c : name) {
    if (c == u'/') c = u'\\';
  }
  size_t root = 0;
  if (name.compare(0, 2, u"\\\\") == 0) root = 2;
  if (name.size() >= 3 && name[1] == u':' && name[2] == u'\\') root = 3;
  if (root == 0) return name;
  std::u16string out = name.substr(0, root);
  for (size_t start = root; start <= name.size();) {
    size_t end = name.find(u'\\', start);
    if (end == std::u16string::npos) end = name.size();
    std::u16string part = name.substr(start, end - start);
    if (part == u"..") {
      size_t cut = out.rfind(u'\\');
      out.resize(cut != std::u16string::npos && cut >= root ? cut : root);
    } else if (!part.empty() && part != u".") {
      if (out.size() > root) out += u'\\';
      out += part;
    }
    start = end + 1;
  }
  return out;
}

}  // namespace simulated_os

namespace os {

struct input_file {
  std::string bytes;
};

struct output_stream {
  std::string* target;  // the file's content or the standard error text
};

namespace {

// The bytes of a local file, or false when it cannot be read.
bool read_local(const std::string& utf8_path, std::string* bytes) {
  std::ifstream in(std::filesystem::u8path(utf8_path), std::ios::binary);
  if (!in) return false;
  bytes->assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return !in.bad();
}

}  // namespace

bool path_exists(const char16_t* path) {
  simulated_os::machine& m = current();
  std::u16string name = lookup_name(path);
  bool found = m.files.count(name) || m.local_files.count(name) || m.directories.count(name);
  m.existence_queries.emplace_back(path, found);
  return found;
}

input_file* open_input(const char16_t* path) {
  simulated_os::machine& m = current();
  auto failing = m.faults.open_errors.find(path);
  if (failing != m.faults.open_errors.end()) {
    m.error_number = failing->second;
    return nullptr;
  }
  std::u16string name = lookup_name(path);
  auto local = m.local_files.find(name);
  if (local != m.local_files.end()) {
    input_file* file = new input_file{};
    if (read_local(local->second, &file->bytes)) return file;
    delete file;
    m.error_number = 13;
    return nullptr;
  }
  auto found = m.files.find(name);
  if (found == m.files.end()) {
    m.error_number = m.directories.count(name) ? 13 : 2;
    return nullptr;
  }
  return new input_file{found->second};
}

long input_size(input_file* file) {
  if (current().faults.size_fails) {
    current().error_number = 22;
    return -1;
  }
  return static_cast<long>(file->bytes.size());
}

size_t read_input(input_file* file, void* buf, size_t size, bool* failed) {
  simulated_os::machine& m = current();
  *failed = m.faults.read_fails;
  if (m.faults.read_fails) m.error_number = 5;
  size_t n = file->bytes.size() < size ? file->bytes.size() : size;
  if (m.faults.read_short && n > 0) --n;
  file->bytes.copy(static_cast<char*>(buf), n);
  return n;
}

void close_input(input_file* file) {
  delete file;
}

output_stream* create_output(const char16_t* path) {
  simulated_os::machine& m = current();
  m.created_outputs.push_back(path);
  if (m.faults.unwritable.count(path) || m.directories.count(path)) return nullptr;
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
