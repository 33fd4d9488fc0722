#include "update/update_release.h"

#include <algorithm>

#include "host/host_files.h"
#include "host/refusal.h"
#include "host/sha256.h"
#include "image/image_build.h"
#include "update/feed.h"
#include "update/settings.h"

namespace {

const char* kind(const job& j) {
  return j.o.type == output_type::msi ? "msi" : "zip";
}

std::string feed_file_name(const job& j) {
  return j.o.name + "-windows-" + architecture_name(j.arch) + "-" + kind(j) + ".feed";
}

// Every file below folder, by its path with '/', with its size and SHA-256, in byte order.
std::vector<update::feed_file> files_below(const fs::path& folder) {
  std::vector<update::feed_file> files;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(folder)) {
    if (!e.is_regular_file()) continue;
    files.push_back({static_cast<uint64_t>(e.file_size()), sha256_hex("", {e.path()}),
                     e.path().lexically_relative(folder).generic_u8string()});
  }
  std::sort(files.begin(), files.end(),
            [](const update::feed_file& a, const update::feed_file& b) { return a.path < b.path; });
  return files;
}

// The folder renamed after its content: the name, '-', and 16 hex digits of the SHA-256 of
// its files' paths, sizes and hashes. Returns the new name.
std::string name_after_content(const fs::path& image, const std::string& name) {
  std::string listing;
  for (const update::feed_file& f : files_below(image / name))
    listing += f.path + '\0' + std::to_string(f.size) + '\0' + f.sha256 + '\n';
  std::string named = name + "-" + sha256_hex(listing, {}).substr(0, 16);
  fs::rename(image / name, image / named);
  return named;
}

}  // namespace

void prepare_update(job& j) {
  j.update_key = read_release_key(j.o.update);
  j.trusted = {j.update_key.point};
  for (const std::string& file : j.o.update.trust) j.trusted.push_back(trusted_point(file));
}

void add_update_program(const job& j) {
  write_host_file(j.image / "runtime" / "bin" / "tavrin-update.exe", update_program_image(j.arch),
                  true);
}

void name_update_folders(job& j) {
  auto since = steady::now();
  fs::path feed = j.dest / fs::u8path(feed_file_name(j));
  if (fs::exists(fs::symlink_status(feed)))
    throw refusal(feed.u8string() + ": exists already; pack replaces nothing");
  j.layout.runtime_folder = name_after_content(j.image, "runtime");
  j.layout.app_folder = name_after_content(j.image, "app");
  update::settings s{
      j.o.app_version,
      j.o.name,
      j.o.vendor,
      kind(j),
      architecture_name(j.arch),
      j.o.update.url + update::feed_name(j.o.name, architecture_name(j.arch), kind(j)),
      j.trusted};
  j.layout.parameter_header = update::settings_text(s);
  for (const app_launcher& l : j.launchers)
    write_host_file(j.image / fs::u8path(l.name + ".tavrin"), parameter_text(j, l));
  step("update", j.layout.runtime_folder + ", " + j.layout.app_folder + ", " + s.feed, since);
}

void publish_release(const job& j) {
  auto since = steady::now();
  fs::path package = j.dest / fs::u8path(output_name(j));
  update::feed f{
      j.o.name, j.o.app_version, kind(j), architecture_name(j.arch), update::updater_version, {}};
  f.files = j.o.type == output_type::msi
                ? std::vector<update::feed_file>{{fs::file_size(package), sha256_hex("", {package}),
                                                  output_name(j)}}
                : files_below(j.image);
  fs::path files = j.dest / "files";
  fs::create_directories(files);
  size_t added = 0;
  for (const update::feed_file& file : f.files) {
    fs::path to = files / file.sha256;
    if (fs::exists(to)) continue;  // the same bytes, from another release
    fs::path from = j.o.type == output_type::msi ? package : j.image / fs::u8path(file.path);
    fs::copy_file(from, j.temporary / "file");
    fs::rename(j.temporary / "file", to);
    ++added;
  }
  std::string text = update::feed_text(f);
  text += "signature " + update::hex(sign_release(j.update_key, text)) + "\n";
  write_host_file(j.temporary / "feed", text);
  fs::rename(j.temporary / "feed", j.dest / fs::u8path(feed_file_name(j)));
  step("update",
       feed_file_name(j) + ", " + count(f.files.size(), "file") + " in files/, " +
           std::to_string(added) + " new",
       since);
}
