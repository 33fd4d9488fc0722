#include "pack.h"

#include <algorithm>
#include <cstdlib>
#include <set>

#include "brand.h"
#include "files.h"
#include "host/cleanup.h"
#include "host/host_files.h"
#include "host/refusal.h"
#include "host/sha256.h"
#include "host/source_date_epoch.h"
#include "icon_file.h"
#include "image/given_image.h"
#include "image/image_build.h"
#include "image/image_check.h"
#include "image/launchers.h"
#include "msi/msi_package.h"
#include "text.h"
#include "update/update_release.h"
#include "zip/zip_archive.h"

namespace {

void sign_step(const std::string& what, steady::time_point since) {
  step("sign", what, since);
}

// The check of each launcher: its command on standard output, its warnings on standard
// error, each line once, as the launchers share the image. Returns 1 with warnings, else 0.
int check(const job& j) {
  int status = 0;
  std::set<std::string> said;
  for (const app_launcher& l : j.launchers) {
    auto since = steady::now();
    check_outcome outcome = check_image(j.image / fs::u8path(l.name + ".tavrin"));
    if (outcome.status == 2) {
      throw refusal("the launcher " + l.name + ".exe would fail on the image: " +
                    outcome.err.substr(0, outcome.err.find_last_not_of('\n') + 1));
    }
    std::string command = outcome.out.substr(0, outcome.out.size() - 1);
    step(&l == &j.launchers[0] ? "check" : "check " + l.name + ".exe", command, since);
    for (const std::string_view line : text_lines(outcome.err)) {
      if (said.insert(std::string(line)).second) print(stderr, std::string(line) + "\n");
    }
    status = std::max(status, outcome.status);
  }
  return status;
}

// The installer's request: each association's icon copied into the image, named after its
// extension, as the installer installs it with the app.
msi_request installer_request(const job& j) {
  msi_request r{j.o.name,      j.o.vendor, j.o.app_version,
                j.o.installer, {},         j.launchers[0].service ? j.launchers[0].name : ""};
  for (file_association& a : r.options.associations) {
    if (a.icon.empty()) continue;
    std::string installed = a.extension + ".ico";
    if (fs::exists(j.image / fs::u8path(installed)))
      throw refusal(a.file + ": the image has a " + installed + " of its own, where the " +
                    "association's icon would go; rename that file");
    write_host_file(j.image / fs::u8path(installed), read_host_file(fs::u8path(a.icon)));
    a.icon = installed;
  }
  for (const app_launcher& l : j.launchers)
    r.shortcuts.push_back({l.name, l.menu, l.desktop, l.app_id});
  return r;
}

// Moves the image, or the file made from it, into --dest. Returns 1 when an installer
// warns, else 0.
int place_output(const job& j) {
  auto since = steady::now();
  fs::path target = j.dest / fs::u8path(output_name(j));
  switch (j.o.type) {
    case output_type::zip:
    case output_type::msi: {
      int64_t epoch = 0;
      source_date_epoch(&epoch);
      fs::path file = j.temporary / fs::u8path(output_name(j));
      bool zip = j.o.type == output_type::zip;
      std::string warnings;
      if (zip) {
        write_zip(j.image, j.o.name, file, epoch);
      } else {
        warnings = write_msi(installer_request(j), j.arch, j.image, file, epoch);
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

// Reads every icon and the signing key's files before anything is written, so that pack
// refuses them at once.
void check_given_files(job& j) {
  try {
    brand::branding_for(j.o.branding, j.o.name + ".exe");
    for (const launcher_request& l : j.o.launchers) {
      brand::branding_request request = j.o.branding;
      auto icon = l.properties.find("icon");
      if (icon != l.properties.end()) request.icon_file = icon->second;
      brand::branding_for(request, l.name + ".exe");
    }
    for (const file_association& a : j.o.installer.associations) {
      if (a.icon.empty()) continue;
      brand::bytes icon = brand::read_file(a.icon);
      brand::about(a.file + ": icon " + a.icon, [&] { return brand::read_icon(icon); });
    }
  } catch (const brand::bad_input& e) {
    throw refusal(e.what());
  }
  j.signer = prepare_signing(j.o.signing, j.o.name, j.o.installer.about_url, j.o.verbose);
  int64_t epoch;
  source_date_epoch(&epoch);
  if (!j.o.update.url.empty()) prepare_update(j);
}

}  // namespace

int run_pack(const pack_options& o) {
  job j{o, fs::u8path(o.dest), {}, {}, architecture::x64, {}, {}, {}, {}, {}};
  try {
    check_given_files(j);
    fs::path input = fs::weakly_canonical(fs::u8path(o.app_image.empty() ? o.input : o.app_image));
    fs::path dest = fs::weakly_canonical(j.dest);
    if (std::mismatch(input.begin(), input.end(), dest.begin(), dest.end()).first == input.end())
      throw refusal("--dest " + o.dest + ": is inside the folder pack copies whole");
    if (o.type == output_type::app_image) refuse_existing(j);
    fs::path top;  // the outermost folder of --dest that pack makes, if any
    for (fs::path p = fs::absolute(j.dest); !fs::exists(p); p = p.parent_path()) top = p;
    if (!top.empty()) made(top);
    fs::create_directories(j.dest);
    j.temporary = make_temporary_folder(j.dest, o.name);
    made(j.temporary);
    j.image = j.temporary / "image" / fs::u8path(o.name);
    fs::create_directories(j.image.parent_path());
    // A trial signature finds a wrong key, certificate or secret before the runtime is linked.
    std::string key_warnings =
        check_signing_key(&j.signer, launcher_image(architecture::x64, twin::windowed),
                          o.name + ".exe", j.temporary / "signing");
    print(stderr, key_warnings);
    int status = key_warnings.empty() ? 0 : 1;
    if (o.app_image.empty()) {
      fs::create_directory(j.image);
      status = std::max(build_image(j), status);
    } else {
      copy_given_image(j);
      refuse_existing(j);
    }
    std::vector<std::string> launchers;
    for (const app_launcher& l : j.launchers) launchers.push_back(l.name + ".exe");
    bool updates = !o.update.url.empty();
    if (updates) add_update_program(j);
    sign_image(j.signer, j.image, launchers, j.temporary / "signing", sign_step);
    if (updates) name_update_folders(j);
    status = std::max(check(j), status);
    status = std::max(place_output(j), status);
    if (updates) publish_release(j);
    fs::remove_all(j.temporary);
    keep_made();
    return status;
  } catch (const std::exception& e) {
    remove_made();
    print(stderr, std::string("tavrin-pack: ") + e.what() + "\n");
    return 2;
  }
}
