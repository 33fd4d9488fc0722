// The executable reader and the resource rebuild: any input is refused with bad_input or
// branded into an image that reads back and that branding again leaves unchanged.
#include <cstdio>
#include <cstdlib>

#include "brand.h"
#include "pe_image.h"
#include "resource_tree.h"

namespace {

void require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

brand::branding branding() {
  // A 1x1 bitmap icon: header, one pixel, one mask row.
  brand::bytes bitmap(40 + 4 + 4);
  brand::put_le(bitmap, 0, 40, 4);
  brand::put_le(bitmap, 4, 1, 4);
  brand::put_le(bitmap, 8, 2, 4);
  brand::branding b;
  b.icon = {brand::icon_image{1, 1, 0, 0, 1, 32, bitmap}};
  b.strings = {{u"ProductName", u"Fuzz"}};
  b.version = {{1, 2, 3, 4}};
  return b;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static const brand::branding b = branding();
  brand::bytes branded;
  try {
    branded = brand::brand_image(brand::bytes(data, data + size), b);
  } catch (const brand::bad_input&) {
    return 0;
  }
  brand::pe_image image = brand::read_pe(branded);
  brand::read_resources(brand::resource_section(image),
                        image.sections[image.resources].virtual_address);
  require(brand::brand_image(branded, b) == branded, "branding again changes nothing");
  return 0;
}
