#include "host_files.h"

#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <system_error>

#include "refusal.h"

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

void copy_folder(const fs::path& from, const fs::path& to) {
  std::error_code error;
  fs::copy(from, to, fs::copy_options::recursive | fs::copy_options::copy_symlinks, error);
  if (error) refuse(from, "cannot be copied to " + to.u8string(), error.value());
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
