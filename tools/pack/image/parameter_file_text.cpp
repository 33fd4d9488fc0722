#include "image/parameter_file_text.h"

#include "splitter_word.h"
#include "tavrin_version.h"
#include "text.h"

namespace {

std::string line(const std::string& word) {
  return to_utf8(splitter_word(to_utf16(word))) + "\n";
}

}  // namespace

std::string parameter_file_text(const launch_words& words) {
  std::string text = "# Written by tavrin-pack " TAVRIN_VERSION
                     "; the launcher of the same name reads it at every start.\n";
  text += line(words.program);
  for (const std::string& option : words.java_options) text += line(option);
  std::string class_path;
  for (const std::string& entry : words.class_path)
    class_path += (class_path.empty() ? "" : ";") + entry;
  text += "-cp " + line(class_path) + line(words.main_class);
  for (const std::string& argument : words.arguments) text += line(argument);
  return text;
}
