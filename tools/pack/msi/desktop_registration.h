// What the installer registers with Windows' shell beside the app's files: its file types,
// the "Open with" entry and App Paths of NAME.exe, and each shortcut's AppUserModelID.
//
// The app takes nothing that is another program's. Each file type's ProgID is registered,
// and listed in the extension's OpenWithProgids. What other programs may have set first (the
// extension's default, a MIME type's extension, App Paths\NAME.exe, Applications\NAME.exe) is
// a claim: a component of its own, installed only when AppSearch finds no value there or the
// app's mark of its own claim, a value under Software\VENDOR\NAME that is the component's key
// path. So uninstalling removes only what the package set. A claimed extension is also a row
// of the Extension and ProgId tables, so that Windows Installer's own actions register it and
// tell the shell of the change.
#pragma once

#include <vector>

#include "msi/msi_rows.h"
#include "msi/wix_source.h"

// The rows that wixl cannot write: the components, registry values, searches and table rows
// above, and the MsiShortcutProperty rows of each shortcut of a launcher with an ID.
std::vector<msi_row> desktop_rows(const msi_product& p);
