// Names as Windows holds them: which texts a file or folder may be named, and which paths
// are one path to Windows, whose file systems ignore case.
#pragma once

#include <map>
#include <string>

// Why Windows cannot hold name (UTF-8) as a file or folder name, as a phrase ("holds ':',
// which ..."): not UTF-8, a reserved or control character, a device name (CON, NUL, COM1,
// ... also with an extension), a trailing dot or space, more than 255 UTF-16 units. Empty
// when it can.
std::string windows_name_problem(const std::string& name);

// The name as Windows compares names: each UTF-16 unit upper-cased by the simple mapping of
// NTFS's case table, for the Latin, Greek, Cyrillic and Armenian letters.
std::u16string windows_folded(const std::u16string& name);

// The paths of one folder tree seen so far, by their folded form.
struct windows_tree {
  std::string what;  // the tree, as messages name it: "--input in"
  struct seen {
    std::string path;
    bool folder;
  };
  std::map<std::u16string, seen> paths;
};

// Adds a path of the tree ('/' between parts) and the folders that hold it; throws a refusal
// naming the tree and the path when a part cannot be a Windows name, or when the path is
// one already added (a folder holding it aside), or one Windows takes for it ignoring case.
void add_windows_path(windows_tree* tree, const std::string& path, bool folder);
