// Variable expansion. The first line of the input is the word; each further line is an
// environment variable NAME=VALUE. The expansion must read back as exactly one argument,
// the word itself when it holds no percent sign.
#include "command/variables.h"

#include "argv_reader.h"
#include "harness.h"
#include "platform/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  std::u16string text = fuzz::text_of(data, size);
  size_t end = text.find(u'\n');
  std::u16string word = text.substr(0, end);
  while (end != std::u16string::npos) {
    size_t start = end + 1;
    end = text.find(u'\n', start);
    std::u16string line = text.substr(start, end == std::u16string::npos ? end : end - start);
    size_t equals = line.find(u'=');
    if (equals == std::u16string::npos) continue;
    simulated_os::current().environment[line.substr(0, equals)] = line.substr(equals + 1);
  }
  string_builder sb;
  sb_init(&sb);
  append_expanded(&sb, word.c_str(), u"C:\\app\\app.exe");
  char16_t* line = sb_take(&sb);
  std::vector<std::u16string> args = read_windows_arguments(line);
  os::release(line);
  fuzz::require(args.size() == 1, "the expansion is one argument");
  if (word.find(u'%') == std::u16string::npos)
    fuzz::require(args[0] == word, "no reference, no change");
  fuzz::require_all_released();
  return 0;
}
