// Short (8.3) names beside the long names of an installer's files, folders and shortcuts, in
// the "SHORT~1.EXT|long name" form of Windows Installer's Filename type, which systems without
// long names use and package validation (ICE03) asks for. wixl makes none of its own.
#pragma once

#include <set>
#include <string>

// The short names taken so far in one folder, upper-cased.
using short_names = std::set<std::string>;

// name as a Filename of its folder: itself when it is a short name already (1 to 8 ASCII
// letters, digits or _-~!#&'()@^, then maybe a dot and 1 to 3 more) that the folder has not
// taken, else "SHORT~N.EXT|name" with the lowest N free in the folder.
std::string msi_filename(const std::string& name, short_names* folder);
