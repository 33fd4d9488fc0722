#include "image/given_image.h"

#include <algorithm>

#include "host/host_files.h"
#include "host/pe_header.h"
#include "host/refusal.h"
#include "image/launcher_app_id.h"

namespace {

// Only the service twin imports the service manager's dispatcher, by that name.
bool is_service_launcher(const std::string& exe) {
  return exe.find(std::string("StartServiceCtrlDispatcherW") + '\0') != std::string::npos;
}

}  // namespace

void copy_given_image(job& j) {
  auto since = steady::now();
  std::string what = "--app-image " + j.o.app_image;
  fs::path given = fs::u8path(j.o.app_image);
  if (!fs::is_directory(given)) throw refusal(what + ": is no folder");
  for (const std::string& needed :
       {j.o.name + ".exe", j.o.name + ".tavrin", std::string("runtime")}) {
    if (!fs::exists(given / fs::u8path(needed)))
      throw refusal(what + ": has no " + needed + ", so it is no image of " + j.o.name +
                    " as tavrin-pack writes it");
  }
  windows_tree names{what, {}};
  copy_folder(given, j.image, &names);
  std::vector<std::string> stems;
  for (const fs::directory_entry& e : fs::directory_iterator(j.image)) {
    if (e.path().extension() == ".exe" &&
        fs::exists(e.path().parent_path() / fs::u8path(e.path().stem().u8string() + ".tavrin")))
      stems.push_back(e.path().stem().u8string());
  }
  std::sort(stems.begin(), stems.end());
  std::stable_partition(stems.begin(), stems.end(),
                        [&](const std::string& s) { return s == j.o.name; });
  for (const std::string& stem : stems) {
    pe_header header{0, 0};
    if (!read_pe_header(read_host_file(j.image / fs::u8path(stem + ".exe")), &header) ||
        (header.machine != 0x8664 && header.machine != 0x14C))
      throw refusal(what + ": " + stem + ".exe is no x64 or x86 Windows program");
    bool console = header.subsystem == 3, main = stem == j.o.name;
    bool service = main && j.o.launcher_as_service;
    if (main) j.arch = header.machine == 0x14C ? architecture::x86 : architecture::x64;
    if (service && !is_service_launcher(read_host_file(j.image / fs::u8path(stem + ".exe"))))
      throw refusal(what + ": " + stem + ".exe is no copy of tavrin-service.exe, which " +
                    "--launcher-as-service installs as a service");
    app_launcher l{};
    l.name = stem;
    l.console = console;
    l.menu = !service && (main || !console);
    l.desktop = !service && main && j.o.installer.desktop_shortcut;
    l.service = service;
    l.app_id = launcher_app_id(j.image / fs::u8path(stem + ".exe"));
    j.launchers.push_back(l);
  }
  step("image", what + ", " + count(j.launchers.size(), "launcher"), since);
}
