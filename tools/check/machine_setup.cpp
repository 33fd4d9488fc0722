#include "machine_setup.h"

#include <filesystem>
#include <system_error>

#include "launch/file_names.h"
#include "platform/simulated/machine.h"
#include "splitter_word.h"
#include "text.h"

namespace fs = std::filesystem;

bool load_folder(const fs::path& folder, const std::u16string& windows_folder) {
  std::error_code error;
  fs::recursive_directory_iterator walk(folder, fs::directory_options::skip_permission_denied,
                                        error);
  if (error) return false;
  simulated_os::add_directory(windows_folder);
  for (auto end = fs::end(walk); walk != end; walk.increment(error)) {
    if (error) return false;
    std::u16string name = windows_folder;
    for (const fs::path& part : walk->path().lexically_relative(folder)) {
      name += u'\\' + to_utf16(part.u8string());
    }
    if (walk->is_directory(error)) {
      simulated_os::add_directory(name);
    } else {
      simulated_os::add_local_file(name, walk->path().u8string());
    }
  }
  return true;
}

bool load_machine(const check_options& options, std::string* problem) {
  fs::path parameter_file = fs::u8path(options.parameter_file);
  std::u16string launcher = to_utf16(options.launcher_path);
  if (launcher.empty())
    launcher = u"C:\\App\\" + to_utf16(parameter_file.stem().u8string()) + u".exe";
  size_t backslash = launcher.rfind(u'\\');
  if (!is_absolute_path(launcher.c_str()) || backslash + 1 == launcher.size()) {
    *problem = "--as needs the launcher's full Windows path, such as C:\\App\\myapp.exe";
    return false;
  }
  fs::path folder = parameter_file.parent_path();
  if (folder.empty()) folder = ".";
  if (!load_folder(folder, launcher.substr(0, backslash))) {
    *problem = "cannot read the folder " + folder.u8string();
    return false;
  }

  simulated_os::machine& m = simulated_os::current();
  m.module_path = launcher;
  m.command_line = u"\"" + launcher + u"\"";
  for (const std::string& argument : options.arguments) {
    m.command_line += u" " + splitter_word(to_utf16(argument));
  }
  for (const auto& variable : options.variables) {
    m.environment[to_utf16(variable.first)] = to_utf16(variable.second);
  }
  m.log_on = options.log;
  // The one system text the launcher can show here: its refusal of a command too long to
  // start, as English Windows words it.
  m.system_messages[206] = u"The filename or extension is too long.\r\n";
  return true;
}
