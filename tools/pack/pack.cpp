#include "pack.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include "brand.h"
#include "cleanup.h"
#include "host_files.h"
#include "image_check.h"
#include "jar.h"
#include "jlink.h"
#include "machine_setup.h"
#include "manifest.h"
#include "module_choice.h"
#include "msi_package.h"
#include "parameter_file_text.h"
#include "platform/simulated/machine.h"
#include "refusal.h"
#include "runtime_image.h"
#include "sha256.h"
#include "shell_words.h"
#include "signing.h"
#include "target_jdk.h"
#include "text.h"
#include "variable_use.h"
#include "windows_runtime.h"
#include "zip_archive.h"

namespace {

using steady = std::chrono::steady_clock;

void print(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  std::fflush(stream);
}

// One progress line: the step, what it did, and how long it took.
void step(const char* name, const std::string& what, steady::time_point since) {
  double seconds = std::chrono::duration<double>(steady::now() - since).count();
  char time[32];
  std::snprintf(time, sizeof time, " (%.2f s)\n", seconds);
  print(stdout, std::string(name) + ": " + what + time);
}

// "1 jar", "2 jars".
std::string count(size_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

struct job {
  const pack_options& o;
  fs::path dest;
  fs::path temporary;  // beside the output: the image in image\NAME, the jmods of a zip, the zip
  fs::path image;
  architecture arch;
  std::vector<std::string> class_path;  // as the parameter file writes it: app\a.jar
  std::string main_class;
  brand::branding branding;  // the icon read, before anything is written
  signing signer;            // the key's files and secret found, before anything is written
};

// The output's name in --dest: the image folder, or the file made from it.
std::string output_name(const job& j) {
  switch (j.o.type) {
    case output_type::zip:
    case output_type::msi:
      return j.o.name + "-" + j.o.app_version + "-windows-" + architecture_name(j.arch) +
             (j.o.type == output_type::zip ? ".zip" : ".msi");
    case output_type::app_image:
      break;
  }
  return j.o.name;
}

void refuse_existing(const job& j) {
  if (fs::exists(fs::symlink_status(j.dest / fs::u8path(output_name(j)))))
    throw refusal((j.dest / fs::u8path(output_name(j))).u8string() +
                  ": exists already; pack replaces nothing");
}

std::string main_class_of(const fs::path& jar) {
  jar_file file;
  std::string problem, manifest, main;
  if (!open_jar(read_host_file(jar), &file, &problem))
    throw refusal(jar.u8string() + ": is not a readable jar (" + problem + ")");
  const jar_entry* entry = file.manifest.empty() ? nullptr : find_entry(file, file.manifest);
  if (entry && read_entry(&file, *entry, &manifest, &problem))
    main = read_manifest(manifest).main_class;
  if (main.empty()) throw refusal(jar.u8string() + ": names no Main-Class; give --main-class");
  return main;
}

// Copies --input into app\, each name checked as Windows will hold it. The class path is
// the main jar, then every other jar of the folder and its subfolders by path, as jpackage
// has it.
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
    if (!entry.second.folder && jar && path != main.generic_u8string()) jars.push_back(path);
  }
  std::sort(jars.begin(), jars.end());
  jars.insert(jars.begin(), main.generic_u8string());
  for (std::string& jar : jars) {
    if (jar.find(';') != std::string::npos)
      throw refusal("jar " + jar + ": a ';' in its name cannot be on a class path");
    std::replace(jar.begin(), jar.end(), '/', '\\');
    j.class_path.push_back("app\\" + jar);
  }
  j.main_class = j.o.main_class.empty() ? main_class_of(input / main) : j.o.main_class;
  step("app", count(jars.size(), "jar") + " on the class path, main class " + j.main_class, since);
}

// Prints each module with the reason it is in, and the service modules left out.
std::vector<std::string> modules_for(const job& j, const target_jdk& jdk) {
  simulated_os::reset();
  if (!load_folder(j.image / "app", image_folder + std::u16string(u"app")))
    throw refusal((j.image / "app").u8string() + ": cannot be read");
  std::vector<class_path_entry> entries;
  for (const std::string& entry : j.class_path)
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

// The runtime: linked from the target's jmods, or a ready one copied.
void make_runtime(job& j) {
  auto since = steady::now();
  fs::path runtime = j.image / "runtime";
  if (!j.o.runtime_image.empty()) {
    j.arch = copy_runtime_image(fs::u8path(j.o.runtime_image), runtime, j.o.win_console);
    refuse_existing(j);
    copy_app(j);
    step("runtime", "copied from " + j.o.runtime_image + " (" + architecture_name(j.arch) + ")",
         since);
    return;
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
  require_windows_runtime(runtime, j.o.win_console, "the linked runtime");
  // The runtime holds what jlink added for those asked for too.
  size_t linked = read_release(read_host_file(runtime / "release")).modules.size();
  step("runtime",
       "jlink " + jlink.version + ", " + count(linked, "module") + " of " + jdk.platform + " " +
           jdk.version,
       since);
}

// The launcher, the parameter file and the branding, in that order. Returns 1 when a
// word of the parameter file warns, else 0.
int write_launcher(const job& j) {
  auto since = steady::now();
  const char* program = j.o.win_console ? "tavrin-console.exe" : "tavrin.exe";
  std::string launcher = launcher_image(j.arch, j.o.win_console);
  std::string exe = j.o.name + ".exe";
  step("launcher", exe + " from " + architecture_name(j.arch) + "\\" + program, since);

  since = steady::now();
  launch_words words{j.o.win_console ? "runtime\\bin\\java.exe" : "runtime\\bin\\javaw.exe",
                     j.o.java_options, j.class_path, j.main_class, j.o.arguments};
  write_host_file(j.image / fs::u8path(j.o.name + ".tavrin"), parameter_file_text(words));
  step("parameter file", j.o.name + ".tavrin", since);
  std::string warnings = unset_variable_warnings("--java-options", j.o.java_options) +
                         unset_variable_warnings("--arguments", j.o.arguments);
  print(stderr, warnings);

  since = steady::now();
  brand::bytes branded;
  try {
    branded = brand::brand_image(brand::bytes(launcher.begin(), launcher.end()), j.branding);
  } catch (const brand::bad_input& e) {
    throw refusal(std::string("brand: ") + e.what());
  }
  write_host_file(j.image / fs::u8path(exe), std::string(branded.begin(), branded.end()), true);
  step("brand",
       exe + ", version " + j.o.app_version +
           (j.o.branding.icon_file.empty() ? "" : ", icon " + j.o.branding.icon_file),
       since);
  return warnings.empty() ? 0 : 1;
}

void sign_step(const std::string& what, steady::time_point since) {
  step("sign", what, since);
}

// The check's command on standard output, its warnings on standard error; 1 with warnings.
int check(const job& j) {
  auto since = steady::now();
  check_outcome outcome = check_image(j.image / fs::u8path(j.o.name + ".tavrin"));
  if (outcome.status == 2) {
    throw refusal("the launcher would fail on the image: " +
                  outcome.err.substr(0, outcome.err.find_last_not_of('\n') + 1));
  }
  std::string command = outcome.out.substr(0, outcome.out.size() - 1);
  step("check", command, since);
  print(stderr, outcome.err);
  return outcome.status;
}

// Moves the image, or the file made from it, into --dest. Returns 1 when an installer
// warns, else 0.
int place_output(const job& j) {
  auto since = steady::now();
  fs::path target = j.dest / fs::u8path(output_name(j));
  switch (j.o.type) {
    case output_type::zip:
    case output_type::msi: {
      const char* given = std::getenv("SOURCE_DATE_EPOCH");
      int64_t epoch = given && *given ? std::strtoll(given, nullptr, 10) : 0;
      fs::path file = j.temporary / fs::u8path(output_name(j));
      bool zip = j.o.type == output_type::zip;
      std::string warnings;
      if (zip) {
        write_zip(j.image, j.o.name, file, epoch);
      } else {
        warnings = write_msi({j.o.name, j.o.vendor, j.o.app_version, j.o.installer}, j.arch,
                             j.image, file, epoch);
        sign_file(j.signer, file, j.temporary / "signing", sign_step);
      }
      move_into_place(file, target);
      step(zip ? "zip" : "msi", target.u8string(), since);
      print(stdout, sha256_hex("", {target}) + "  " + target.u8string() + "\n");
      print(stderr, warnings);
      return warnings.empty() ? 0 : 1;
    }
    case output_type::app_image:
      break;
  }
  move_into_place(j.image, target);
  step("image", target.u8string(), since);
  return 0;
}

}  // namespace

int run_pack(const pack_options& o) {
  job j{o, fs::u8path(o.dest), {}, {}, architecture::x64, {}, "", {}, {}};
  try {
    try {
      j.branding = brand::branding_for(o.branding, o.name + ".exe");
    } catch (const brand::bad_input& e) {
      throw refusal(e.what());
    }
    j.signer = prepare_signing(o.signing, o.name, o.installer.about_url, o.verbose);
    fs::path input = fs::weakly_canonical(fs::u8path(o.input));
    fs::path dest = fs::weakly_canonical(j.dest);
    if (std::mismatch(input.begin(), input.end(), dest.begin(), dest.end()).first == input.end())
      throw refusal("--dest " + o.dest + ": is inside --input, which is copied whole");
    if (o.type == output_type::app_image) refuse_existing(j);
    fs::path top;  // the outermost folder of --dest that pack makes, if any
    for (fs::path p = fs::absolute(j.dest); !fs::exists(p); p = p.parent_path()) top = p;
    if (!top.empty()) made(top);
    fs::create_directories(j.dest);
    j.temporary = make_temporary_folder(j.dest, o.name);
    made(j.temporary);
    j.image = j.temporary / "image" / fs::u8path(o.name);
    fs::create_directories(j.image);
    make_runtime(j);
    int warned = write_launcher(j);
    sign_image(j.signer, j.image, o.name + ".exe", j.temporary / "signing", sign_step);
    int status = std::max(check(j), warned);
    status = std::max(place_output(j), status);
    fs::remove_all(j.temporary);
    keep_made();
    return status;
  } catch (const std::exception& e) {
    remove_made();
    print(stderr, std::string("tavrin-pack: ") + e.what() + "\n");
    return 2;
  }
}
