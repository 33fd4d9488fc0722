// The AppUserModelID under which the taskbar groups and pins a launcher's windows, which the
// launcher hands its program (through its string table) and the installer writes on its
// shortcuts, so that a pinned shortcut and the running app are one button.
//
// Parts taken from names keep what an ID may hold: no white space, control characters or
// ASCII punctuation other than '-' and '_' (letters of any script stay), a dot between parts,
// empty parts left out. An ID past Windows' 128 UTF-16 units is cut and ended by a hash of
// the whole, so that each launcher keeps one of its own. Empty when nothing is left.
#pragma once

#include <string>

// An app's default: VENDOR.NAME, or NAME without a vendor.
std::string app_user_model_id(const std::string& vendor, const std::string& name);

// The ID of a launcher beside the app's main one: the app's ID, as it is, then .LAUNCHER.
std::string added_app_user_model_id(const std::string& app_id, const std::string& launcher);
