// The icon file reader: any input is refused with bad_input or gives images that lie
// inside it, and whose group lists them back under the ids given.
#include <cstdio>
#include <cstdlib>

#include "icon_file.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::vector<brand::icon_image> images;
  try {
    images = brand::read_icon(brand::bytes(data, data + size));
  } catch (const brand::bad_input&) {
    return 0;
  }
  std::vector<uint16_t> ids;
  size_t total = 0;
  for (const brand::icon_image& image : images) {
    ids.push_back(static_cast<uint16_t>(ids.size() + 1));
    total += image.data.size();
  }
  if (images.empty() || total > size * images.size() ||
      brand::icon_group_ids(brand::icon_group(images, ids)) != ids) {
    std::fprintf(stderr, "fuzz check failed: images inside the file, listed back by id\n");
    std::abort();
  }
  return 0;
}
