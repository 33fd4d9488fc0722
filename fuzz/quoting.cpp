// The quoting round trip: an arbitrary word, quoted twice with a space between, reads back
// by the Windows argument rules as exactly those two words.
#include "command/quoting.h"

#include "argv_reader.h"
#include "harness.h"
#include "platform/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  std::u16string word = fuzz::text_of(data, size);
  string_builder sb;
  sb_init(&sb);
  append_quoted(&sb, word.c_str());
  sb_append_char(&sb, u' ');
  append_quoted(&sb, word.c_str());
  char16_t* line = sb_take(&sb);
  std::vector<std::u16string> args = read_windows_arguments(line);
  os::release(line);
  fuzz::require(args.size() == 2 && args[0] == word && args[1] == word, "the word reads back");
  fuzz::require_all_released();
  return 0;
}
