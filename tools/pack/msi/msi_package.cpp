#include "msi/msi_package.h"

#include <fcntl.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "host/host_files.h"
#include "host/host_process.h"
#include "host/name_guid.h"
#include "host/refusal.h"
#include "host/sha256.h"
#include "msi/desktop_registration.h"
#include "msi/msi_code_page.h"
#include "msi/msi_finish.h"
#include "msi/msi_service.h"
#include "msi/wix_source.h"
#include "text.h"

namespace {

// The namespace of upgrade codes derived from vendor and name, a fixed random UUID.
const char upgrade_codes[] = "{6C1D52A4-7E0B-4A4C-9F3B-2B8E51D0C7A9}";

// What one cabinet folder holds, which is all wixl writes: 65,535 blocks of 32 KiB, and
// 65,535 files.
const uintmax_t cabinet_bytes = 65535ull * 32768, cabinet_files = 65535;

// The version as ProductVersion: three numbers without leading zeros, so that 1.0 and 1.0.0,
// one version to Windows Installer, give one product.
std::string product_version(const std::string& version) {
  unsigned long numbers[3] = {0, 0, 0};
  const char* text = version.c_str();
  for (unsigned long& number : numbers) {
    char* end;
    number = std::strtoul(text, &end, 10);
    text = *end ? end + 1 : end;
  }
  return std::to_string(numbers[0]) + "." + std::to_string(numbers[1]) + "." +
         std::to_string(numbers[2]);
}

// A warning when the longest installed path passes Windows' 259 characters, for a user name
// of 20 characters per user.
std::string path_warning(const msi_product& p) {
  std::u16string base =
      p.per_machine ? (p.x64 ? u"C:\\Program Files" : u"C:\\Program Files (x86)")
                    : u"C:\\Users\\" + std::u16string(20, u'u') + u"\\AppData\\Local\\Programs";
  for (const std::string& part : p.install_dir) base += u"\\" + to_utf16(part);
  const std::string* longest = nullptr;
  size_t length = 0;
  for (const std::string& file : p.files) {
    size_t here = base.size() + 1 + to_utf16(file).size();
    if (here > length) length = here, longest = &file;
  }
  if (length <= 259) return "";
  return warning_line("the installed app/ path of " + *longest + " is " + std::to_string(length) +
                      " characters long with a 20-character user name, past the 259 that "
                      "Windows programs, the JVM among them, take by default; use a shorter "
                      "--name, --install-dir or folder");
}

}  // namespace

std::string write_msi(const msi_request& r, architecture arch, const fs::path& image,
                      const fs::path& msi, int64_t epoch) {
  epoch = std::max<int64_t>(epoch, 315532800);  // 1980, where a cabinet's times begin
  std::vector<std::string> install_dir = r.options.install_dir;
  if (install_dir.empty()) install_dir = {r.name};
  msi_product p{r.name,
                r.vendor,
                product_version(r.version),
                r.options.upgrade_uuid.empty() ? name_guid(upgrade_codes, r.vendor + "\\" + r.name)
                                               : r.options.upgrade_uuid,
                "{00000000-0000-0000-0000-000000000000}",
                arch == architecture::x64,
                r.options.per_machine,
                install_dir,
                r.options.menu_group,
                r.shortcuts,
                r.options.associations,
                r.options.about_url,
                image.lexically_relative(msi.parent_path()).generic_u8string(),
                {},
                r.service};
  std::vector<msi_text> texts = {{"--name", r.name},
                                 {"--vendor", r.vendor},
                                 {"--win-menu-group", p.menu_group},
                                 {"--about-url", p.about_url}};
  for (const std::string& part : install_dir) texts.push_back({"--install-dir", part});
  for (const msi_shortcut& s : r.shortcuts) {
    texts.push_back({"the launcher", s.name});
    texts.push_back({"--app-user-model-id", s.app_id});
  }
  for (const file_association& a : r.options.associations) {
    for (const std::string* text : {&a.extension, &a.mime_type, &a.description})
      texts.push_back({"--file-associations", *text});
  }
  const timespec stamp[2] = {{static_cast<time_t>(epoch), 0}, {static_cast<time_t>(epoch), 0}};
  uintmax_t bytes = 0;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(image)) {
    if (!e.is_regular_file()) continue;
    if (utimensat(AT_FDCWD, e.path().c_str(), stamp, AT_SYMLINK_NOFOLLOW) != 0)
      throw refusal(e.path().u8string() + ": its time cannot be set");
    p.files.push_back(e.path().lexically_relative(image).generic_u8string());
    texts.push_back({"the image's file", p.files.back()});
    bytes += e.file_size();
  }
  if (bytes > cabinet_bytes || p.files.size() > cabinet_files) {
    throw refusal("the image holds " + std::to_string(p.files.size()) + " files of " +
                  std::to_string(bytes) + " bytes, past the " + std::to_string(cabinet_files) +
                  " files and " + std::to_string(cabinet_bytes) +
                  " bytes an installer's cabinet holds; ship it with --type zip");
  }
  std::sort(p.files.begin(), p.files.end());
  msi_code_page code_page = installer_code_page(texts);
  std::vector<fs::path> contents;
  for (const std::string& file : p.files) contents.push_back(image / fs::u8path(file));
  std::vector<msi_row> rows = desktop_rows(p);
  if (!r.service.empty()) {
    std::vector<msi_row> service = service_recovery_rows(p.x64);
    rows.insert(rows.end(), service.begin(), service.end());
  }
  p.product_code =
      name_guid(p.upgrade_code, std::string(p.x64 ? "x64 " : "x86 ") +
                                    sha256_hex(wix_source(p) + rows_text(rows), contents));
  fs::path source = msi.parent_path() / "installer.wxs";
  write_host_file(source, wix_source(p));
  // libgsf, in wixl and in pack's own libmsi, takes the code page of its texts from there.
  setenv("WINDOWS_LANGUAGE", code_page.language, 1);
  program_result wixl = run_program(
      {"wixl", "--arch", architecture_name(arch), "--output", msi.string(), source.string()});
  // wixl 0.101 exits with 0 also when it has written nothing.
  if (wixl.status != 0 || !fs::exists(msi)) {
    throw refusal(program_failure("wixl", wixl) +
                  (wixl.status < 0 && !wixl.signal ? " (install Debian's wixl)" : ""));
  }
  finish_msi(msi, {code_page.number, p.upgrade_code, p.version, epoch, rows});
  return path_warning(p);
}
