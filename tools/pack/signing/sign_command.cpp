#include "signing/sign_command.h"

#include <sys/stat.h>

#include <array>
#include <map>
#include <set>

#include "host/host_process.h"
#include "host/refusal.h"
#include "host/shell_words.h"
#include "signing/signing_text.h"

namespace fs = std::filesystem;

namespace {

// A signing service may be slow, but a command that never ends must not hold pack forever.
const std::chrono::seconds command_deadline(600);

// Each file and folder below a folder, by path, with what writing or replacing it changes:
// its size, inode and change time, which no program can set back.
using folder_state = std::map<std::string, std::array<int64_t, 4>>;

folder_state state_of(const fs::path& folder) {
  folder_state state;
  std::error_code error;
  for (fs::recursive_directory_iterator it(folder, error), end; !error && it != end;
       it.increment(error)) {
    struct stat s {};
    bool listed = lstat(it->path().c_str(), &s) == 0;
    bool times = listed && !S_ISDIR(s.st_mode);  // a folder's times change as it is used
    state[it->path().string()] = {times ? static_cast<int64_t>(s.st_size) : 0,
                                  times ? static_cast<int64_t>(s.st_ino) : 0,
                                  times ? static_cast<int64_t>(s.st_ctim.tv_sec) : 0,
                                  times ? static_cast<int64_t>(s.st_ctim.tv_nsec) : 0};
  }
  return state;
}

// The paths, relative to folder, whose state differs, but file's.
std::string changed(const folder_state& before, const folder_state& after, const fs::path& folder,
                    const fs::path& file) {
  std::set<std::string> paths;
  for (const auto& [path, fields] : before) {
    auto found = after.find(path);
    if (found == after.end() || found->second != fields) paths.insert(path);
  }
  for (const auto& entry : after) {
    if (!before.count(entry.first)) paths.insert(entry.first);
  }
  paths.erase(file.string());
  std::string names;
  for (const std::string& path : paths)
    names += (names.empty() ? "" : ", ") + fs::path(path).lexically_relative(folder).string();
  return names;
}

}  // namespace

std::string command_taking_file(const std::string& command) {
  std::string text;
  char quote = 0;  // the quote that is open, if any
  for (size_t i = 0; i < command.size(); ++i) {
    if (command.compare(i, 2, "{}") == 0) {
      text += quote == '\'' ? "'\"$1\"'" : quote == '"' ? "$1" : "\"$1\"";
      ++i;
      continue;
    }
    char c = command[i];
    text += c;
    if (c == '\\' && quote != '\'' && i + 1 < command.size()) {
      text += command[++i];
    } else if (!quote && (c == '\'' || c == '"')) {
      quote = c;
    } else if (c == quote) {
      quote = 0;
    }
  }
  return text;
}

void run_sign_command(const std::string& command, const fs::path& file, const std::string& shown,
                      const fs::path& watched, bool verbose) {
  fs::path absolute = fs::absolute(file), folder = fs::absolute(watched);
  std::vector<std::string> argv{"sh", "-c", command_taking_file(command), "sh", absolute.string()};
  print_sign_command(verbose, shell_words(argv));
  folder_state before = state_of(folder);
  program_result run = run_program(argv, nullptr, "", command_deadline);
  if (run.status != 0) {
    throw refusal("--win-sign-command " +
                  (run.timed_out
                       ? "did not finish in " + std::to_string(command_deadline.count()) + " s"
                   : run.status < 0 ? std::string("was stopped or did not start")
                                    : "exited with status " + std::to_string(run.status)) +
                  " on " + shown + ": " + osslsigncode_said(run.output));
  }
  std::string others = changed(before, state_of(folder), folder, absolute);
  if (!others.empty()) {
    throw refusal("--win-sign-command changed " + others + " while signing " + shown +
                  "; it must change nothing but the file {} names, signed in place");
  }
}
