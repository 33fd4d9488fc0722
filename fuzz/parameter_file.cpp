// The parameter file loader and the splitter on raw bytes: a file that loads splits into
// a well-formed word array, every problem ends in the fatal-error exit, and a run that
// returns leaves nothing allocated.
#include "input/parameter_file.h"

#include "harness.h"
#include "input/split_words.h"
#include "platform/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  const char16_t* name = u"C:\\app\\app.tavrin";
  simulated_os::add_file(name, std::string(reinterpret_cast<const char*>(data), size));
  fuzz::run_allowing_fatal([&] {
    char16_t* text = load_parameter_file(name);
    int32_t count = -1;
    char16_t** words = nullptr;
    split_words(text, &count, &words);
    os::release(text);
    fuzz::require(count >= 0 && words[count] == nullptr, "the word array ends with null");
    os::release(words);
    fuzz::require_all_released();
  });
  return 0;
}
