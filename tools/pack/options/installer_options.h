// What --type msi's options ask of the installer: where it installs, its shortcuts and the
// file types it registers.
#pragma once

#include <string>
#include <vector>

// A file type the app opens, registered with the main launcher as its opener.
struct file_association {
  std::string extension;               // without its dot
  std::string mime_type, description;  // empty: none
  std::string icon;                    // a .ico file, installed with the app; empty: the exe's
  std::string file;                    // the properties file that gave it
};

struct msi_options {
  bool per_machine = false;              // --win-per-machine-install: Program Files, for all users
  std::vector<std::string> install_dir;  // --install-dir by folder; empty: NAME
  std::string menu_group;                // --win-menu-group: a Start-menu folder for the shortcut
  bool desktop_shortcut = false;         // --win-shortcut
  std::string about_url;                 // --about-url
  std::string upgrade_uuid;  // --win-upgrade-uuid in MSI's form; empty: from vendor and name
  std::vector<file_association> associations;  // --file-associations
};
