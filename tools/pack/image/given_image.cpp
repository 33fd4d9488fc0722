#include "image/given_image.h"

#include <algorithm>

#include "host/host_files.h"
#include "host/pe_header.h"
#include "host/refusal.h"
#include "image/launcher_app_id.h"

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
    if (main) j.arch = header.machine == 0x14C ? architecture::x86 : architecture::x64;
    app_launcher l{};
    l.name = stem;
    l.console = console;
    l.menu = main || !console;
    l.desktop = main && j.o.installer.desktop_shortcut;
    l.app_id = launcher_app_id(j.image / fs::u8path(stem + ".exe"));
    j.launchers.push_back(l);
  }
  step("image", what + ", " + count(j.launchers.size(), "launcher"), since);
}
