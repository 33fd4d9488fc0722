#include "image/image_build.h"

#include <algorithm>

#include "brand.h"
#include "host/host_files.h"
#include "host/refusal.h"
#include "host/shell_words.h"
#include "image/parameter_file_text.h"
#include "image/variable_use.h"
#include "machine_setup.h"
#include "platform/simulated/machine.h"
#include "runtime/jlink.h"
#include "runtime/module_choice.h"
#include "runtime/target_jdk.h"
#include "runtime/windows_runtime.h"
#include "runtime_image.h"
#include "text.h"

namespace {

// Copies --input into app\, each name checked as Windows will hold it, and works out the
// launchers: every jar of the folder and its subfolders is on each class path, as jpackage
// has it, after the launcher's main jar.
void copy_app(job& j) {
  auto since = steady::now();
  fs::path input = fs::u8path(j.o.input), main = fs::u8path(j.o.main_jar).lexically_normal();
  if (!fs::is_directory(input)) throw refusal("--input " + j.o.input + ": is no folder");
  if (main.is_absolute() || *main.begin() == ".." || !fs::is_regular_file(input / main))
    throw refusal("--main-jar " + j.o.main_jar + ": is no file in --input " + j.o.input);
  windows_tree names{"--input " + j.o.input, {}};
  copy_folder(input, j.image / "app", &names);
  std::vector<std::string> jars;
  for (const auto& entry : names.paths) {
    const std::string& path = entry.second.path;
    bool jar = path.size() > 4 && equal_ignoring_case(path.substr(path.size() - 4), ".jar");
    if (!entry.second.folder && jar) jars.push_back(path);
  }
  std::sort(jars.begin(), jars.end());
  j.launchers = app_launchers(j.o, input, jars);
  step("app",
       count(jars.size(), "jar") + " on the class path, main class " + j.launchers[0].main_class,
       since);
}

// Prints each module with the reason it is in, and the service modules left out.
std::vector<std::string> modules_for(const job& j, const target_jdk& jdk) {
  simulated_os::reset();
  if (!load_folder(j.image / "app", image_folder + std::u16string(u"app")))
    throw refusal((j.image / "app").u8string() + ": cannot be read");
  std::vector<class_path_entry> entries;
  for (const std::string& entry : j.launchers[0].class_path)
    entries.push_back({entry, image_folder + to_utf16(entry)});
  module_choice choice = choose_modules(jdk, entries, j.o.add_modules);
  std::vector<std::string> names;
  for (const chosen_module& m : choice.modules) {
    print(stdout, m.name + ": " + m.reason + "\n");
    names.push_back(m.name);
  }
  for (const std::string& line : choice.left_out) print(stdout, line + "\n");
  return names;
}

// Refuses a runtime without the program and the JVM that each launcher starts.
void require_programs(const job& j, const fs::path& runtime, const std::string& what) {
  for (const app_launcher& l : j.launchers)
    require_windows_runtime(runtime, twin_of(l) != twin::windowed, what);
}

// The runtime: linked from the target's jmods, or a ready one copied. Returns 1 when the
// jmods warn, else 0.
int make_runtime(job& j) {
  auto since = steady::now();
  fs::path runtime = j.image / "runtime";
  if (!j.o.runtime_image.empty()) {
    j.arch = copy_runtime_image(fs::u8path(j.o.runtime_image), runtime);
    refuse_existing(j);
    copy_app(j);
    require_programs(j, runtime, "--runtime-image " + j.o.runtime_image);
    step("runtime", "copied from " + j.o.runtime_image + " (" + architecture_name(j.arch) + ")",
         since);
    return 0;
  }
  std::vector<fs::path> module_path;
  for (const std::string& entry : j.o.module_path) module_path.push_back(fs::u8path(entry));
  target_jdk jdk = read_module_path(module_path, j.temporary);
  j.arch = jdk.arch;
  refuse_existing(j);
  jlink_tool jlink = find_jlink(j.o.jlink, jdk.version);
  copy_app(j);
  since = steady::now();
  std::vector<std::string> modules = modules_for(j, jdk);
  std::vector<std::string> command =
      jlink_command(jlink, module_path_links(j.temporary, jdk.module_path), modules,
                    runtime.lexically_relative(j.temporary).string(),
                    j.o.jlink_options_given ? &j.o.jlink_options : nullptr);
  if (j.o.verbose)
    print(stdout,
          "jlink command, in " + j.temporary.u8string() + ": " + shell_words(command) + "\n");
  run_jlink(command, j.temporary.string());
  require_programs(j, runtime, "the linked runtime");
  // The runtime holds what jlink added for those asked for too.
  size_t linked = read_release(read_host_file(runtime / "release")).modules.size();
  step("runtime",
       "jlink " + jlink.version + ", " + count(linked, "module") + " of " + jdk.platform + " " +
           jdk.version,
       since);
  print(stderr, jdk.warnings);
  return jdk.warnings.empty() ? 0 : 1;
}

// A launcher, its parameter file and its branding, in that order. Returns 1 when a word of
// the parameter file warns, else 0.
int write_launcher(const job& j, const app_launcher& l) {
  auto since = steady::now();
  std::string launcher = launcher_image(j.arch, twin_of(l));
  std::string exe = l.name + ".exe";
  step("launcher", exe + " from " + architecture_name(j.arch) + "\\" + twin_file(twin_of(l)),
       since);

  since = steady::now();
  write_host_file(j.image / fs::u8path(l.name + ".tavrin"), parameter_text(j, l));
  step("parameter file", l.name + ".tavrin", since);
  std::string warnings = unset_variable_warnings("--java-options", l.java_options) +
                         unset_variable_warnings("--arguments", l.arguments);
  print(stderr, warnings);

  since = steady::now();
  brand::bytes branded;
  try {
    branded = brand::brand_image(brand::bytes(launcher.begin(), launcher.end()),
                                 brand::branding_for(l.branding, exe));
  } catch (const brand::bad_input& e) {
    throw refusal(std::string("brand: ") + e.what());
  }
  write_host_file(j.image / fs::u8path(exe), std::string(branded.begin(), branded.end()), true);
  step("brand",
       exe + ", version " + j.o.app_version +
           (l.branding.icon_file.empty() ? "" : ", icon " + l.branding.icon_file),
       since);
  return warnings.empty() ? 0 : 1;
}

}  // namespace

std::string parameter_text(const job& j, const app_launcher& l) {
  // A service stops its program with Ctrl+C, which reaches console programs only.
  bool windowed = twin_of(l) == twin::windowed;
  launch_words words{j.layout.runtime_folder + (windowed ? "\\bin\\javaw.exe" : "\\bin\\java.exe"),
                     l.java_options, l.class_path, l.main_class, l.arguments};
  for (std::string& entry : words.class_path)
    entry = j.layout.app_folder + entry.substr(3);  // app\...
  return j.layout.parameter_header + parameter_file_text(words);
}

int build_image(job& j) {
  int warned = make_runtime(j);
  for (const app_launcher& l : j.launchers) warned = std::max(warned, write_launcher(j, l));
  return warned;
}
