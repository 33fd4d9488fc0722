// The WiX 3 source from which wixl writes the installer.
//
// Every resource is a component of its own whose GUID is a name-based UUID of the
// architecture, the install folder and where the resource goes, in Windows' case: whatever
// installs the same thing to the same place carries the same GUID, so that Windows Installer
// counts the products that share it and removes it with the last one, and it stays the same
// from one version to the next. Each key path is what identifies that place alone: per
// machine the file itself, or a value named after the installed path under
// Software\INSTALL-DIR (HKCU per user, as components in a user's profile need; HKLM per
// machine). The product's own component holds its version under Software\VENDOR\NAME.
#pragma once

#include <string>
#include <vector>

#include "msi/msi_package.h"

struct msi_product {
  std::string name, vendor;
  std::string version;       // ProductVersion: major.minor.build, three numbers within limits
  std::string upgrade_code;  // in MSI's form
  std::string product_code;  // in MSI's form
  bool x64 = true, per_machine = false;
  std::vector<std::string> install_dir;        // below Programs or Program Files, one name a folder
  std::string menu_group;                      // a Start-menu folder for the shortcuts; empty: none
  std::vector<msi_shortcut> shortcuts;         // every launcher's, the main one's first
  std::vector<file_association> associations;  // each icon a file of the image's top
  std::string about_url;                       // empty: none
  std::string image;               // the image folder, relative to the source's folder, with '/'
  std::vector<std::string> files;  // relative to the image, with '/', in byte order
  std::string service;             // the launcher installed as a service, per machine; or empty
};

// The source text. Per machine, the key paths of shortcuts have wixl's Root of HKMU, which
// it writes as 4 where Windows Installer reads -1: the package's Registry table needs that
// mended. A name that wixl's preprocessor cannot pass on ("$(" in it) is refused.
std::string wix_source(const msi_product& product);

// The GUID of the component that installs a resource at where (a place from a standard
// folder, or a registry key) for the product's architecture and install folder: the same
// for whatever installs the same thing to the same place, ignoring case.
std::string place_guid(const msi_product& p, const std::string& where);

// The Id of a launcher's shortcut (its index in shortcuts): in the Start menu, or on the
// desktop.
std::string shortcut_id(size_t launcher, bool menu);

// The root that wixl writes for HKMU, which Windows Installer reads as HKCU per user and
// HKLM per machine when it is -1.
constexpr int wixl_hkmu_root = 4;
