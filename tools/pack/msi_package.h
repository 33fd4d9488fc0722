// The installer that --type msi writes from the app image: a Windows Installer package that
// Debian's wixl builds from a WiX source, made reproducible with libmsi.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "launchers.h"

namespace fs = std::filesystem;

struct msi_options {
  bool per_machine = false;       // --win-per-machine-install: Program Files, for all users
  std::string menu_group;         // --win-menu-group: a Start-menu folder for the shortcut
  bool desktop_shortcut = false;  // --win-shortcut
  std::string about_url;          // --about-url
  std::string upgrade_uuid;       // --win-upgrade-uuid in MSI's form; empty: from vendor and name
};

struct msi_request {
  std::string name, vendor;  // each valid as a folder and a registry key name
  std::string version;       // a ProductVersion within its limits
  msi_options options;
};

// Writes the installer of the image folder (whose name is NAME) to msi, its UpgradeCode the
// one given or a name-based UUID of vendor and name. The image's files are stamped with
// epoch first (from 1980 on), as the cabinet keeps their times; wixl's source is written
// beside msi. Throws a refusal naming what failed.
void write_msi(const msi_request& request, architecture arch, const fs::path& image,
               const fs::path& msi, int64_t epoch);
