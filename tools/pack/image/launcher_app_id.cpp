#include "image/launcher_app_id.h"

#include "host/host_files.h"
#include "pe_image.h"
#include "platform/launcher_strings.h"
#include "resource_tree.h"
#include "string_table.h"
#include "text.h"

namespace {

// The image without its signature: the certificate table, which is at the end of the file,
// cut off and its directory entry cleared, as the resources are read the same either way.
brand::bytes unsigned_image(brand::bytes b) {
  const char problem[] = "is cut short";
  uint32_t pe = brand::u32_at(b, 0x3C, problem);
  size_t optional = pe + 24;
  bool x64 = brand::u16_at(b, optional, problem) == 0x20B;
  size_t certificates = optional + (x64 ? 112 : 96) + 8 * 4;
  uint32_t at = brand::u32_at(b, certificates, problem);
  if (at != 0 && at <= b.size()) {
    b.resize(at);
    brand::put_le(b, certificates, 0, 8);
  }
  return b;
}

}  // namespace

std::string launcher_app_id(const std::filesystem::path& exe) {
  try {
    std::string file = read_host_file(exe);
    brand::pe_image image = brand::read_pe(unsigned_image(brand::bytes(file.begin(), file.end())));
    std::vector<brand::resource> list = brand::read_resources(
        brand::resource_section(image), image.sections[image.resources].virtual_address);
    return to_utf8(brand::table_string(list, launcher_strings::app_user_model_id));
  } catch (const brand::bad_input&) {
    return "";
  }
}
