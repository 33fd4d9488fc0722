#include "zip_archive.h"

#include <minizip/unzip.h>
#include <minizip/zip.h>

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>

#include "host_files.h"
#include "refusal.h"

namespace {

using reading = std::unique_ptr<void, int (*)(unzFile)>;

reading open_for_reading(const fs::path& zip) {
  reading z(unzOpen64(zip.c_str()), unzClose);
  if (!z) throw refusal(zip.u8string() + ": is not a readable zip");
  return z;
}

// Visits every entry, its name and the open zip positioned on it.
void for_each_entry(const fs::path& zip,
                    const std::function<void(unzFile, const std::string&)>& f) {
  reading z = open_for_reading(zip);
  for (int at = unzGoToFirstFile(z.get()); at == UNZ_OK; at = unzGoToNextFile(z.get())) {
    unz_file_info64 info;
    char name[4096];
    if (unzGetCurrentFileInfo64(z.get(), &info, name, sizeof name, nullptr, 0, nullptr, 0) !=
        UNZ_OK)
      throw refusal(zip.u8string() + ": has an entry that cannot be read");
    f(z.get(), name);
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
  for_each_entry(zip, [&](unzFile, const std::string& name) { names.push_back(name); });
  return names;
}

void extract_zip(const fs::path& zip, const fs::path& folder,
                 const std::function<std::string(const std::string&)>& place) {
  for_each_entry(zip, [&](unzFile z, const std::string& name) {
    fs::path relative = fs::u8path(place(name));
    if (relative.empty() || name.back() == '/') return;
    if (leaves_folder(relative)) throw refusal(zip.u8string() + ": names " + name + " outside");
    fs::path target = folder / relative;
    fs::create_directories(target.parent_path());
    std::ofstream out(target, std::ios::binary);
    bool ok = out && unzOpenCurrentFile(z) == UNZ_OK;
    char buffer[65536];
    int n = 0;
    while (ok && (n = unzReadCurrentFile(z, buffer, sizeof buffer)) > 0) out.write(buffer, n);
    ok = ok && n == 0 && unzCloseCurrentFile(z) == UNZ_OK && out.flush();
    if (!ok) throw refusal(zip.u8string() + ": " + name + " cannot be extracted");
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
  for (const auto& [name, path] : files) {
    std::string data = read_host_file(path);
    zip_fileinfo info{};
    info.dosDate = dos_time(epoch);
    info.external_fa = (executable(name) ? 0100755u : 0100644u) << 16;
    // Made by Unix (3) with zip 2.0, so that unzip tools read the permissions.
    ok = ok &&
         zipOpenNewFileInZip4_64(z, name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                 Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0, -MAX_WBITS, DEF_MEM_LEVEL,
                                 Z_DEFAULT_STRATEGY, nullptr, 0, 3 << 8 | 20, 0, 0) == ZIP_OK &&
         zipWriteInFileInZip(z, data.data(), static_cast<unsigned>(data.size())) == ZIP_OK &&
         zipCloseFileInZip(z) == ZIP_OK;
  }
  if (z && zipClose(z, nullptr) != ZIP_OK) ok = false;
  if (!ok) throw refusal(zip.u8string() + ": cannot be written");
}
