#include "msi/prog_id.h"

#include "host/sha256.h"

namespace {

const size_t most = 39, hash = 8;

bool alphanumeric(char c) {
  return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9');
}

std::string alphanumerics(const std::string& text) {
  std::string out;
  for (char c : text) {
    if (alphanumeric(c)) out += c;
  }
  return out;
}

}  // namespace

std::string prog_id(const std::string& name, const std::string& extension) {
  std::string program = alphanumerics(name), type = alphanumerics(extension);
  bool letter_first = !program.empty() && !(program[0] >= '0' && program[0] <= '9');
  if (program == name && type == extension && letter_first &&
      program.size() + 1 + type.size() <= most)
    return program + "." + type;
  program = program.substr(std::min(program.find_first_not_of("0123456789"), program.size()));
  if (program.empty()) program = "App";
  // The hash last, then the extension whole when it fits beside a letter of the name.
  std::string tail = "." + sha256_hex(name + "\n" + extension, {}).substr(0, hash);
  type = type.substr(0, most - 2 - tail.size());
  if (!type.empty()) tail = "." + type + tail;
  return program.substr(0, most - tail.size()) + tail;
}
