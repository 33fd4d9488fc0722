// The WiX 3 source from which wixl writes the installer. Every file and folder of the image
// is a component of its own, whose GUID is a name-based UUID of where it is installed (so it
// stays the same from one version to the next) and whose key path is a value under
// Software\VENDOR\NAME: in HKCU for a per-user install, in HKLM per machine.
#pragma once

#include <string>
#include <vector>

struct msi_product {
  std::string name, vendor;
  std::string version;       // ProductVersion: major.minor.build, three numbers within limits
  std::string upgrade_code;  // in MSI's form
  bool x64 = true, per_machine = false, desktop_shortcut = false;
  std::string menu_group;          // a Start-menu folder for the shortcut; empty: none
  std::string about_url;           // empty: none
  std::string image;               // the image folder, relative to the source's folder, with '/'
  std::vector<std::string> files;  // relative to the image, with '/', in byte order
};

// The source text, whose product code is a name-based UUID of the upgrade code and the
// version. A name that wixl's preprocessor cannot pass on ("$(" in it) is refused.
std::string wix_source(const msi_product& product);
