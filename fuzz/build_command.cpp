// The whole command builder over arbitrary parameter files, on a machine with files
// beside the launcher and registered runtimes. A run either ends in the fatal-error exit
// or builds a command that ends with the launcher's own arguments, read back unchanged.
#include "argv_reader.h"
#include "command/command_builder.h"
#include "harness.h"
#include "input/split_words.h"
#include "platform/os.h"

namespace {

// A runtime search candidate costs about two allocations. The launcher allows ranges of
// up to 10000 candidates, seconds in this instrumented build; the budget ends a search
// after about 500 with "Out of memory", a clean fatal exit, so that every input stays fast.
constexpr uint64_t allocation_budget = 1000;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::fresh_machine();
  fuzz::lay_out_machine();
  fuzz::limit_allocations(allocation_budget);
  simulated_os::current().environment[u"APP_OPTS"] = u"-Xmx64m \"quoted\"";
  simulated_os::current().environment[u"EMPTY"] = u"";
  std::u16string text = fuzz::text_of(data, size);
  char16_t launcher[] = u"C:\\app\\app.exe";
  char16_t spaced[] = u"two words";
  char16_t trailing[] = u"dir\\";
  char16_t* command_words[] = {launcher, spaced, trailing};
  fuzz::run_allowing_fatal([&] {
    int32_t count = 0;
    char16_t** words = nullptr;
    split_words(text.c_str(), &count, &words);
    char16_t* command = nullptr;
    int wait = -1;
    build_command(u"C:\\app\\app.tavrin", u"app.exe", count, words, 3, command_words, &command,
                  &wait);
    os::release(words);
    fuzz::require(command && *command, "the command is not empty");
    fuzz::require(wait == 0 || wait == 1, "the wait flag is 0 or 1");
    std::vector<std::u16string> args = read_windows_arguments(command);
    os::release(command);
    fuzz::require(args.size() >= 5, "launcher, class path option and path, class, arguments");
    fuzz::require(args[args.size() - 2] == spaced && args.back() == trailing,
                  "the launcher's arguments read back");
    fuzz::require_all_released();
  });
  return 0;
}
