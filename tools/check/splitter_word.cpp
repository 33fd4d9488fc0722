#include "splitter_word.h"

#include "command/quoting.h"
#include "command/string_builder.h"
#include "platform/os.h"

std::u16string splitter_word(const std::u16string& word) {
  string_builder sb;
  sb_init(&sb);
  append_quoted(&sb, word.c_str());
  char16_t* text = sb_take(&sb);
  std::u16string result = text;
  os::release(text);
  // The launcher's quoting leaves bare a word that holds a line break or starts with #,
  // which a child's command line keeps whole but the splitter does not.
  bool splits = word[0] == u'#' || word.find_first_of(u"\r\n") != std::u16string::npos;
  return result[0] != u'"' && splits ? u"\"" + result + u"\"" : result;
}
