#include "image/variable_use.h"

#include <algorithm>
#include <iterator>

#include "text.h"

namespace {

// The variables every Windows session defines.
const char* const windows_variables[] = {"ALLUSERSPROFILE",
                                         "APPDATA",
                                         "CommonProgramFiles",
                                         "CommonProgramFiles(x86)",
                                         "CommonProgramW6432",
                                         "COMPUTERNAME",
                                         "ComSpec",
                                         "HOMEDRIVE",
                                         "HOMEPATH",
                                         "LOCALAPPDATA",
                                         "LOGONSERVER",
                                         "NUMBER_OF_PROCESSORS",
                                         "OS",
                                         "Path",
                                         "PATHEXT",
                                         "PROCESSOR_ARCHITECTURE",
                                         "PROCESSOR_IDENTIFIER",
                                         "PROCESSOR_LEVEL",
                                         "PROCESSOR_REVISION",
                                         "ProgramData",
                                         "ProgramFiles",
                                         "ProgramFiles(x86)",
                                         "ProgramW6432",
                                         "PUBLIC",
                                         "SystemDrive",
                                         "SystemRoot",
                                         "TEMP",
                                         "TMP",
                                         "USERDOMAIN",
                                         "USERNAME",
                                         "USERPROFILE",
                                         "windir"};

bool windows_defines(const std::string& name) {
  return std::any_of(std::begin(windows_variables), std::end(windows_variables),
                     [&](const char* v) { return equal_ignoring_case(name, v); });
}

}  // namespace

std::string unset_variable_warnings(const std::string& option,
                                    const std::vector<std::string>& words) {
  std::string warnings;
  for (const std::string& word : words) {
    std::string received, unset;
    size_t at = 0;
    for (size_t open, close; (open = word.find('%', at)) != std::string::npos &&
                             (close = word.find('%', open + 1)) != std::string::npos;
         at = close + 1) {
      std::string reference = word.substr(open + 1, close - open - 1);
      received += word.substr(at, open - at);
      size_t marker = reference.find("|=");
      if (marker == std::string::npos) marker = reference.find("|@");
      if (reference.empty()) {
        received += '%';
      } else if (windows_defines(reference.substr(0, marker)) || marker != std::string::npos) {
        received += word.substr(open, close + 1 - open);  // a value known only at start
      } else if (unset.empty()) {
        unset = reference;
      }
    }
    if (unset.empty()) continue;
    received += word.substr(at);
    warnings += warning_line(option + " '" + word + "': %" + unset +
                             "% names a variable that Windows does not define, and gives no "
                             "default, so the launcher drops it and the app receives '" +
                             received + "'; write %% for a literal %, or %NAME|=DEFAULT%");
  }
  return warnings;
}
