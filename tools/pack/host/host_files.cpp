#include "host/host_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>
#include <vector>

#include "host/refusal.h"

namespace {

[[noreturn]] void refuse(const fs::path& path, const std::string& what, int error) {
  throw refusal(path.u8string() + ": " + what + " (" + std::strerror(error) + ")");
}

}  // namespace

std::string read_host_file(const fs::path& path) {
  std::ifstream in(path, std::ios::binary | std::ios::ate);
  std::string bytes(in ? static_cast<size_t>(in.tellg()) : 0, '\0');
  if (!in || !in.seekg(0).read(&bytes[0], static_cast<std::streamsize>(bytes.size())))
    refuse(path, "cannot be read", errno);
  return bytes;
}

void write_host_file(const fs::path& path, const std::string& bytes, bool executable) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) refuse(path, "cannot be written", errno);
  if (executable) {
    std::error_code error;
    fs::permissions(path, fs::perms::owner_exec | fs::perms::group_exec | fs::perms::others_exec,
                    fs::perm_options::add, error);
  }
}

namespace {

// Copies the folder from, at relative in the tree, into to; open holds the canonical paths of
// the folders being copied, from the top down to from.
void copy_tree(const fs::path& from, const fs::path& to, const std::string& relative,
               windows_tree* tree, std::vector<fs::path>* open) {
  std::error_code error;
  if (!fs::create_directory(to, error) && error) refuse(to, "cannot be made", error.value());
  std::vector<fs::path> entries;
  for (const fs::directory_entry& e : fs::directory_iterator(from, error)) entries.push_back(e);
  if (error) refuse(from, "cannot be read", error.value());
  std::sort(entries.begin(), entries.end());
  for (const fs::path& entry : entries) {
    std::string name = entry.filename().string(), path = relative + name;
    fs::file_status status = fs::status(entry, error);
    auto refuse_entry = [&](const std::string& why) {
      throw refusal(tree->what + ": '" + path + "' " + why);
    };
    if (!fs::exists(status))
      refuse_entry("is a link to nothing (" + fs::read_symlink(entry, error).string() + ")");
    bool folder = fs::is_directory(status);
    if (!folder && !fs::is_regular_file(status)) refuse_entry("is neither a file nor a folder");
    add_windows_path(tree, path, folder);
    if (folder) {
      fs::path real = fs::canonical(entry, error);
      if (std::find(open->begin(), open->end(), real) != open->end())
        refuse_entry("is a link to a folder that holds it, which would never end");
      open->push_back(real);
      copy_tree(entry, to / name, path + "/", tree, open);
      open->pop_back();
    } else if (!fs::copy_file(entry, to / name, error)) {
      refuse(entry, "cannot be copied to " + (to / name).string(), error.value());
    }
  }
}

}  // namespace

void copy_folder(const fs::path& from, const fs::path& to, windows_tree* tree) {
  std::error_code error;
  std::vector<fs::path> open = {fs::canonical(from, error)};
  if (error) refuse(from, "cannot be read", error.value());
  copy_tree(from, to, "", tree, &open);
}

fs::path make_temporary_folder(const fs::path& parent, const std::string& stem) {
  std::string pattern = (parent / ("." + stem + ".tavrin-pack-XXXXXX")).string();
  if (!mkdtemp(&pattern[0])) refuse(parent, "cannot hold a temporary folder", errno);
  return pattern;
}

void move_into_place(const fs::path& from, const fs::path& to) {
  if (renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return;
  // A file system that cannot refuse to replace: the output was looked for just before.
  if (errno == EINVAL && !fs::exists(fs::symlink_status(to)) &&
      std::rename(from.c_str(), to.c_str()) == 0)
    return;
  refuse(to, errno == EEXIST ? "exists already; pack replaces nothing" : "cannot be written",
         errno);
}
