#include "zip/zip_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>

#include "host/refusal.h"

namespace {

using reading = std::unique_ptr<void, int (*)(unzFile)>;

reading open_for_reading(const fs::path& zip) {
  reading z(unzOpen64(zip.c_str()), unzClose);
  if (!z) throw refusal(zip.u8string() + ": is not a readable zip");
  return z;
}

// Visits every entry, its name and the open zip positioned on it.
void for_each_entry(
    const fs::path& zip,
    const std::function<void(unzFile, const std::string&, const unz_file_info64&)>& f) {
  reading z = open_for_reading(zip);
  for (int at = unzGoToFirstFile(z.get()); at == UNZ_OK; at = unzGoToNextFile(z.get())) {
    unz_file_info64 info;
    char name[4096];
    if (unzGetCurrentFileInfo64(z.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
      throw refusal(zip.u8string() + ": has an entry that cannot be read");
    f(z.get(), name, info);
  }
}

bool leaves_folder(const fs::path& relative) {
  return relative.is_absolute() ||
         std::any_of(relative.begin(), relative.end(), [](const fs::path& p) { return p == ".."; });
}

bool executable(const std::string& name) {
  auto ends = [&](const char* tail) {
    size_t n = std::char_traits<char>::length(tail);
    return name.size() >= n && name.compare(name.size() - n, n, tail) == 0;
  };
  return ends(".exe") || ends(".dll");
}

uLong dos_time(int64_t epoch) {
  std::time_t t = static_cast<std::time_t>(std::max<int64_t>(epoch, 315532800));  // 1980
  std::tm utc;
  gmtime_r(&t, &utc);
  return static_cast<uLong>(utc.tm_year - 80) << 25 | static_cast<uLong>(utc.tm_mon + 1) << 21 |
         static_cast<uLong>(utc.tm_mday) << 16 | static_cast<uLong>(utc.tm_hour) << 11 |
         static_cast<uLong>(utc.tm_min) << 5 | static_cast<uLong>(utc.tm_sec / 2);
}

}  // namespace

std::vector<std::string> zip_names(const fs::path& zip) {
  std::vector<std::string> names;
  for_each_entry(zip, [&](unzFile, const std::string& name, const unz_file_info64&) {
    names.push_back(name);
  });
  return names;
}

void extract_zip(const fs::path& zip, const fs::path& folder,
                 const std::function<std::string(const std::string&)>& place, windows_tree* tree) {
  for_each_entry(zip, [&](unzFile z, const std::string& name, const unz_file_info64& info) {
    std::string relative = place(name);
    if (relative.empty() || name.back() == '/') return;
    auto refuse = [&](const std::string& why) {
      throw refusal(zip.u8string() + ": its entry " + name + " " + why);
    };
    if (name.find('\\') != std::string::npos)
      refuse("holds a backslash, where a zip separates folders with '/' alone");
    bool unix_made = info.version >> 8 == 3;
    if (unix_made && (info.external_fa >> 16 & 0170000) == 0120000)
      refuse("is a symbolic link, which Windows would get as a file holding the link's text");
    if (leaves_folder(fs::u8path(relative))) refuse("would be written outside");
    add_windows_path(tree, relative, false);
    fs::path target = folder / fs::u8path(relative);
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    bool ok = out && unzOpenCurrentFile(z) == UNZ_OK;
    char buffer[65536];
    int n = 0;
    while (ok && (n = unzReadCurrentFile(z, buffer, sizeof buffer)) > 0) out.write(buffer, n);
    ok = ok && n == 0 && unzCloseCurrentFile(z) == UNZ_OK && out.flush();
    if (!ok) refuse("cannot be extracted");
  });
}

void write_zip(const fs::path& folder, const std::string& top, const fs::path& zip, int64_t epoch) {
  std::vector<std::pair<std::string, fs::path>> files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file())
      files.emplace_back(top + "/" + e.path().lexically_relative(folder).generic_u8string(),
                         e.path());
  }
  std::sort(files.begin(), files.end());
  zipFile z = zipOpen64(zip.c_str(), APPEND_STATUS_CREATE);
  bool ok = z != nullptr;
  std::vector<char> buffer(1 << 20);
  for (const auto& [name, path] : files) {
    zip_fileinfo info{};
    info.dosDate = dos_time(epoch);
    info.external_fa = (executable(name) ? 0100755u : 0100644u) << 16;
    // Without bit 11 a reader takes the name for code page 437; zip64 sizes only where they
    // are needed, so that small files keep the plain headers every reader knows.
    bool ascii = std::all_of(name.begin(), name.end(), [](char c) { return c > 0; });
    int zip64 = fs::file_size(path) >= 0xFFFFFFFFu;
    std::ifstream in(path, std::ios::binary);
    // Made by Unix (3), so that unzip tools read the permissions, with zip 2.0, or 4.5 for an
    // entry whose zip64 sizes need that version to be read.
    ok = ok && in &&
         zipOpenNewFileInZip4_64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                 Z_DEFAULT_STRATEGY, nullptr, 0, 3 << 8 | (zip64 ? 45 : 20),
                                 ascii ? 0 : 1 << 11, zip64) == ZIP_OK;
    while (ok && in.read(buffer.data(), static_cast<std::streamsize>(buffer.size())).gcount() > 0)
      ok = zipWriteInFileInZip(z, buffer.data(), static_cast<unsigned>(in.gcount())) == ZIP_OK;
    ok = ok && in.eof() && zipCloseFileInZip(z) == ZIP_OK;
  }
  if (z && zipClose(z, nullptr) != ZIP_OK) ok = false;
  if (!ok) throw refusal(zip.u8string() + ": cannot be written");
}
