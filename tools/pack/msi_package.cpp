#include "msi_package.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "host_files.h"
#include "host_process.h"
#include "msi_summary.h"
#include "name_guid.h"
#include "refusal.h"
#include "wix_source.h"

namespace {

// The namespace of upgrade codes derived from vendor and name, a fixed random UUID.
const char upgrade_codes[] = "{6C1D52A4-7E0B-4A4C-9F3B-2B8E51D0C7A9}";

// The version as ProductVersion: three numbers without leading zeros, so that 1.0 and 1.0.0,
// one version to Windows Installer, give one product code.
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

std::string upgrade_code(const msi_request& r) {
  return r.options.upgrade_uuid.empty() ? name_guid(upgrade_codes, r.vendor + "\\" + r.name)
                                        : r.options.upgrade_uuid;
}

}  // namespace

void write_msi(const msi_request& r, architecture arch, const fs::path& image, const fs::path& msi,
               int64_t epoch) {
  epoch = std::max<int64_t>(epoch, 315532800);  // 1980, where a cabinet's times begin
  msi_product p{r.name,
                r.vendor,
                product_version(r.version),
                upgrade_code(r),
                arch == architecture::x64,
                r.options.per_machine,
                r.options.desktop_shortcut,
                r.options.menu_group,
                r.options.about_url,
                image.lexically_relative(msi.parent_path()).generic_u8string(),
                {}};
  const timespec stamp[2] = {{static_cast<time_t>(epoch), 0}, {static_cast<time_t>(epoch), 0}};
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(image)) {
    if (!e.is_regular_file()) continue;
    if (utimensat(AT_FDCWD, e.path().c_str(), stamp, 0) != 0)
      throw refusal(e.path().u8string() + ": its time cannot be set");
    p.files.push_back(e.path().lexically_relative(image).generic_u8string());
  }
  std::sort(p.files.begin(), p.files.end());
  fs::path source = msi.parent_path() / "installer.wxs";
  write_host_file(source, wix_source(p));
  program_result wixl = run_program(
      {"wixl", "--arch", architecture_name(arch), "--output", msi.string(), source.string()});
  // wixl 0.101 exits with 0 also when it has written nothing.
  if (wixl.status != 0 || !fs::exists(msi)) {
    throw refusal(program_failure("wixl", wixl) +
                  (wixl.status < 0 && !wixl.signal ? " (install Debian's wixl)" : ""));
  }
  settle_summary(msi, epoch);
}
