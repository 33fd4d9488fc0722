// Branding: the launcher image with the application's icon, version details and
// execution level, every other resource kept.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <utility>

#include "bytes.h"
#include "icon_file.h"

namespace brand {

struct branding {
  std::vector<icon_image> icon;                                    // empty: keep the image's icon
  std::vector<std::pair<std::u16string, std::u16string>> strings;  // version texts to set
  std::optional<std::array<uint16_t, 4>> version;
  std::string execution_level;  // empty: keep the manifest
  // The launcher's settings in its string table (ids in platform/launcher_strings.h).
  std::vector<std::pair<uint16_t, std::u16string>> table_strings;
};

// The branded image; throws bad_input naming what is wrong with image.
bytes brand_image(const bytes& image, const branding& b);

}  // namespace brand
