// The installer that --type msi writes from the app image: a Windows Installer package that
// Debian's wixl builds from a WiX source, mended and made reproducible with libmsi.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "options/installer_options.h"
#include "runtime/architecture.h"

namespace fs = std::filesystem;

// A launcher's shortcuts, each started in the install folder.
struct msi_shortcut {
  std::string name;  // the launcher's, NAME.exe's stem, and the shortcut's
  bool menu, desktop;
  std::string app_id;  // the launcher's AppUserModelID, which its shortcuts carry; or none
};

struct msi_request {
  std::string name, vendor;             // a file name, and a registry key name
  std::string version;                  // a ProductVersion within its limits
  msi_options options;                  // each association's icon a file of the image by then
  std::vector<msi_shortcut> shortcuts;  // the main launcher's first
  std::string service;                  // the launcher installed as a service; empty: none
};

// Writes the installer of the image folder (whose name is NAME) to msi, its UpgradeCode the
// one given or a name-based UUID of vendor and name, its product code a name-based UUID of
// the upgrade code, the architecture and everything the package holds, so that a rebuild
// with other content replaces the installed one. The image's files are stamped with epoch
// first (from 1980 on), as the cabinet keeps their times; wixl's source is written beside
// msi. Refuses text that no one Windows code page holds, and an image past what a cabinet
// holds (2,147,450,880 bytes, 65,535 files). Returns warning lines: an installed path
// longer than Windows' 259 characters.
std::string write_msi(const msi_request& request, architecture arch, const fs::path& image,
                      const fs::path& msi, int64_t epoch);
