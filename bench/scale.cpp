// How the core's costs grow, natively over the simulated machine: loading and splitting
// parameter files of 1, 8 and 64 MiB, a class path of 1,000 and 10,000 entries, a Java
// option with 1,000 and 10,000 %VAR% references, and registry searches over wide ranges
// with nothing registered. Prints one JSON object of seconds per call; scripts/bench judges
// them.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "command/class_path.h"
#include "command/variables.h"
#include "input/parameter_file.h"
#include "input/split_words.h"
#include "platform/os.h"
#include "platform/simulated/machine.h"
#include "runtime/runtime_search.h"

namespace {

using clock_type = std::chrono::steady_clock;

double seconds_of(const std::function<void()>& f, int times) {
  auto begin = clock_type::now();
  for (int i = 0; i < times; ++i) f();
  return std::chrono::duration<double>(clock_type::now() - begin).count() / times;
}

// Runs every case once a round, each often enough to take about 50 ms, for a number of
// rounds; the figure of a case is its fastest round's time per call. Interleaving the cases
// exposes them alike to whatever else the machine is doing, and the fastest round is the
// one least disturbed.
struct timed_case {
  std::string name;
  std::function<void()> run;
  int times = 1;
  double best = 1e300;
};

void time_cases(std::vector<timed_case>& cases) {
  for (timed_case& c : cases) {
    c.times = std::max(1, static_cast<int>(0.05 / seconds_of(c.run, 1)));
  }
  for (int round = 0; round < 9; ++round) {
    for (timed_case& c : cases) c.best = std::min(c.best, seconds_of(c.run, c.times));
  }
}

std::u16string numbered(const char16_t* prefix, int n) {
  char digits[8];
  std::snprintf(digits, sizeof digits, "%05d", n);
  return prefix + std::u16string(digits, digits + 5);
}

// A parameter file of about the size: options with quotes, escapes, comments and
// non-ASCII text, as a long real one would hold.
std::string parameter_text(size_t size) {
  std::string text = "\xEF\xBB\xBFjre\\bin\\java.exe\n";
  for (int i = 0; text.size() < size; ++i) {
    char line[160];
    std::snprintf(line, sizeof line,
                  "-Dapp.setting.%d=\"value with spaces, \\\"quoted\\\" and \xC3\xBC\xC3\xB1"
                  "\xC3\xAF\xE2\x82\xAC\" C:\\Program\\ Files\\lib%d.jar # note %d\n",
                  i, i, i);
    text += line;
  }
  text.resize(size);
  return text;
}

const char16_t launcher_path[] = u"C:\\app\\app.exe";

void add_word_cases(std::vector<timed_case>& cases, std::vector<char16_t*>& texts) {
  for (int mib : {1, 8, 64}) {
    std::u16string name = u"C:\\app\\app" + numbered(u"", mib) + u".tavrin";
    simulated_os::add_file(name, parameter_text(static_cast<size_t>(mib) << 20));
    cases.push_back({"load_split_" + std::to_string(mib) + "_mib_s", [name] {
                       char16_t* text = load_parameter_file(name.c_str());
                       int32_t count = 0;
                       char16_t** words = nullptr;
                       split_words(text, &count, &words);
                       os::release(text);
                       os::release(words);
                     }});
    char16_t* text = load_parameter_file(name.c_str());
    texts.push_back(text);
    cases.push_back({"split_" + std::to_string(mib) + "_mib_s", [text] {
                       int32_t count = 0;
                       char16_t** words = nullptr;
                       split_words(text, &count, &words);
                       os::release(words);
                     }});
  }
}

// Both sizes see the same 10,000 existing files and the same 10,000 variables, so that
// the simulated machine's lookups cost the same per item.
void add_command_cases(std::vector<timed_case>& cases) {
  for (int i = 0; i < 10000; ++i) {
    simulated_os::add_file(numbered(u"C:\\app\\lib\\module", i) + u".jar", "jar");
    simulated_os::current().environment[numbered(u"VAR", i)] = numbered(u"C:\\data\\value", i);
  }
  for (int n : {1000, 10000}) {
    std::u16string class_path, option = u"-Dapp.paths=";
    for (int i = 0; i < n; ++i) {
      class_path += numbered(u"lib\\module", i * (10000 / n)) + u".jar;";
      option += u"%" + numbered(u"VAR", i * (10000 / n)) + u"%;";
    }
    using append = void (*)(string_builder*, const char16_t*, const char16_t*);
    auto appending = [](append f, std::u16string word) {
      return [f, word] {
        string_builder sb;
        sb_init(&sb);
        f(&sb, word.c_str(), launcher_path);
        sb_release(&sb);
        simulated_os::current().existence_queries.clear();
      };
    };
    cases.push_back(
        {"class_path_" + std::to_string(n) + "_s", appending(append_class_path, class_path)});
    cases.push_back({"variables_" + std::to_string(n) + "_s", appending(append_expanded, option)});
  }
}

}  // namespace

int main() {
  // Large blocks from fresh pages at every size, as in the launcher's single run, rather
  // than reused ones below glibc's moving threshold and fresh ones above it.
  mallopt(M_MMAP_THRESHOLD, 16 * 1024);

  simulated_os::reset();
  std::vector<timed_case> cases;
  std::vector<char16_t*> texts;
  add_word_cases(cases, texts);
  add_command_cases(cases);
  // The registry searches, nothing registered: 1.0.0-9.9.9, and the widest range a
  // launcher word may give.
  for (auto range : {std::pair<version, version>{{1, 0, 0}, {9, 9, 9}}, {{1, 1, 0}, {100, 9, 9}}}) {
    cases.push_back(
        {range.second.major == 9 ? "registry_search_s" : "registry_search_widest_s", [range] {
           char16_t launcher[1024];
           find_runtime(range.first, range.second, false, launcher);
           simulated_os::current().registry_calls.clear();
           simulated_os::current().open_access.clear();
         }});
  }
  time_cases(cases);
  for (char16_t* text : texts) os::release(text);

  std::printf("{");
  for (size_t i = 0; i < cases.size(); ++i) {
    std::printf("%s\n  \"%s\": %.6g", i ? "," : "", cases[i].name.c_str(), cases[i].best);
  }
  std::printf("\n}\n");
  return 0;
}
