#include "update/feed.h"

#include <algorithm>

namespace update {
namespace {

constexpr size_t max_files = 100000;
constexpr uint64_t max_size = uint64_t(1) << 40;

char ascii_upper(char c) {
  return c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : c;
}

std::string upper(const std::string& text) {
  std::string out = text;
  for (char& c : out) c = ascii_upper(c);
  return out;
}

bool digits(const std::string& text, size_t most) {
  return !text.empty() && text.size() <= most &&
         text.find_first_not_of("0123456789") == std::string::npos;
}

bool lower_hex(const std::string& text, size_t count) {
  return text.size() == count && text.find_first_not_of("0123456789abcdef") == std::string::npos;
}

// The text after "key " on a line that starts so; false otherwise.
bool value_of(const std::string& line, const char* key, std::string* value) {
  std::string prefix = std::string(key) + " ";
  if (line.compare(0, prefix.size(), prefix) != 0) return false;
  *value = line.substr(prefix.size());
  return true;
}

// The value of a run of at most 19 digits.
uint64_t number(const std::string& text) {
  uint64_t value = 0;
  for (char c : text) value = value * 10 + static_cast<uint64_t>(c - '0');
  return value;
}

bool fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}

bool is_device(const std::string& part) {
  std::string stem = upper(part.substr(0, part.find('.')));
  while (!stem.empty() && stem.back() == ' ') stem.pop_back();
  static const char* const devices[] = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
  for (const char* d : devices)
    if (stem == d) return true;
  return stem.size() == 4 && (stem.compare(0, 3, "COM") == 0 || stem.compare(0, 3, "LPT") == 0) &&
         stem[3] >= '0' && stem[3] <= '9';
}

// Each path and every folder holding it, upper-cased, must name one thing only.
const char* clash(const std::vector<feed_file>& files) {
  std::vector<std::pair<std::string, bool>> names;  // name, is a folder
  for (const feed_file& f : files) {
    std::string path = upper(f.path);
    names.push_back({path, false});
    for (size_t at = path.find('/'); at != std::string::npos; at = path.find('/', at + 1))
      names.push_back({path.substr(0, at), true});
  }
  std::sort(names.begin(), names.end());
  names.erase(std::unique(names.begin(), names.end()), names.end());
  for (size_t i = 1; i < names.size(); ++i)
    if (names[i].first == names[i - 1].first) return "names a file and a folder alike";
  std::vector<std::string> paths;
  for (const feed_file& f : files) paths.push_back(upper(f.path));
  std::sort(paths.begin(), paths.end());
  return std::adjacent_find(paths.begin(), paths.end()) == paths.end()
             ? nullptr
             : "names one file twice (Windows ignores case)";
}

}  // namespace

std::string feed_text(const feed& f) {
  std::string text = "tavrin-update-feed 1\nname " + f.name + "\nversion " + f.version + "\nkind " +
                     f.kind + " " + f.arch + "\nupdater " + std::to_string(f.updater) + "\n";
  for (const feed_file& file : f.files)
    text += "file " + std::to_string(file.size) + " " + file.sha256 + " " + file.path + "\n";
  return text;
}

bool split_signature(const std::string& text, std::string* signed_part, std::string* signature) {
  if (text.size() < 2 || text.back() != '\n') return false;
  size_t start = text.rfind('\n', text.size() - 2);
  start = start == std::string::npos ? 0 : start + 1;
  std::string value;
  if (!value_of(text.substr(start, text.size() - 1 - start), "signature", &value) ||
      !lower_hex(value, 128))
    return false;
  *signed_part = text.substr(0, start);
  return unhex(value, signature);
}

bool parse_feed(const std::string& text, feed* out, std::string* problem) {
  feed f;
  std::vector<std::string> lines;
  for (size_t at = 0; at < text.size();) {
    size_t end = text.find('\n', at);
    if (end == std::string::npos) return fail(problem, "its last line has no line end");
    lines.push_back(text.substr(at, end - at));
    at = end + 1;
  }
  std::string value;
  if (lines.size() < 5 || lines[0] != "tavrin-update-feed 1")
    return fail(problem, "is no tavrin-update feed of format 1");
  if (!value_of(lines[1], "name", &f.name) || f.name.empty() || path_problem(f.name))
    return fail(problem, "names no app");
  if (!value_of(lines[2], "version", &f.version) || !is_version(f.version))
    return fail(problem, "gives no version");
  if (!value_of(lines[3], "kind", &value) ||
      (value != "zip x64" && value != "zip x86" && value != "msi x64" && value != "msi x86"))
    return fail(problem, "gives no known kind of package");
  f.kind = value.substr(0, 3);
  f.arch = value.substr(4);
  if (!value_of(lines[4], "updater", &value) || !digits(value, 9))
    return fail(problem, "gives no updater version");
  f.updater = static_cast<unsigned>(number(value));
  for (size_t i = 5; i < lines.size(); ++i) {
    if (!value_of(lines[i], "file", &value) || f.files.size() == max_files)
      return fail(problem, "line " + std::to_string(i + 1) + " is no file line");
    size_t space = value.find(' ');
    feed_file file{
        0, space == std::string::npos ? "" : value.substr(space + 1, 64),
        space == std::string::npos ? "" : value.substr(std::min(value.size(), space + 66))};
    std::string size = value.substr(0, space);
    if (!digits(size, 13) || number(size) > max_size || !lower_hex(file.sha256, 64) ||
        value.size() < space + 67 || value[space + 65] != ' ')
      return fail(problem, "line " + std::to_string(i + 1) + " is no file line");
    file.size = number(size);
    if (const char* why = path_problem(file.path))
      return fail(problem, "file '" + file.path + "': " + why);
    std::string top = file.path.substr(0, file.path.find('/'));
    bool loose = top == file.path;
    if (f.kind == "zip" &&
        !(loose ? upper(top) == upper(f.name + ".exe") || upper(top) == upper(f.name + ".tavrin")
                : is_content_folder(top)))
      return fail(problem, "file '" + file.path + "' is outside the app's own places");
    if (f.kind == "msi" &&
        (!loose || upper(top.substr(std::max<size_t>(top.size(), 4) - 4)) != ".MSI"))
      return fail(problem, "file '" + file.path + "' is no installer");
    f.files.push_back(file);
  }
  if (f.kind == "msi" && f.files.size() != 1) return fail(problem, "names no single installer");
  bool parameters = false;
  for (const feed_file& file : f.files) parameters |= upper(file.path) == upper(f.name + ".tavrin");
  if (f.kind == "zip" && !parameters) return fail(problem, "names no parameter file");
  if (const char* why = clash(f.files)) return fail(problem, why);
  *out = f;
  return true;
}

const char* path_problem(const std::string& path) {
  if (path.empty() || path.size() > 1024) return "is empty or too long";
  size_t start = 0;
  for (;;) {
    size_t end = std::min(path.find('/', start), path.size());
    std::string part = path.substr(start, end - start);
    if (part.empty()) return "is absolute or has an empty part";
    if (part == "." || part == "..") return "has a '.' or '..' part";
    if (part.size() > 255) return "has a part over 255 bytes";
    for (unsigned char c : part)
      if (c < 32 || std::string("<>:\"\\|?*").find(static_cast<char>(c)) != std::string::npos)
        return "holds a character Windows reserves";
    if (part.back() == '.' || part.back() == ' ') return "has a part ending in a dot or space";
    if (is_device(part)) return "names a device";
    if (end == path.size()) return nullptr;
    start = end + 1;
  }
}

bool is_version(const std::string& text) {
  size_t parts = 0;
  for (size_t at = 0;; ++parts) {
    size_t dot = std::min(text.find('.', at), text.size());
    if (parts == 4 || !digits(text.substr(at, dot - at), 9)) return false;
    if (dot == text.size()) return true;
    at = dot + 1;
  }
}

int compare_versions(const std::string& a, const std::string& b) {
  size_t i = 0, j = 0;
  while (i < a.size() || j < b.size()) {
    size_t di = std::min(a.find('.', i), a.size()), dj = std::min(b.find('.', j), b.size());
    uint64_t x = i < a.size() ? number(a.substr(i, di - i)) : 0;
    uint64_t y = j < b.size() ? number(b.substr(j, dj - j)) : 0;
    if (x != y) return x < y ? -1 : 1;
    i = di < a.size() ? di + 1 : a.size();
    j = dj < b.size() ? dj + 1 : b.size();
  }
  return 0;
}

bool is_content_folder(const std::string& name) {
  size_t dash = name.rfind('-');
  if (dash == std::string::npos || dash == 0 || !lower_hex(name.substr(dash + 1), 16)) return false;
  return std::all_of(name.begin(), name.begin() + static_cast<long>(dash),
                     [](char c) { return c >= 'a' && c <= 'z'; });
}

std::string hex(const std::string& bytes) {
  static const char digits_of[] = "0123456789abcdef";
  std::string out;
  for (unsigned char c : bytes) {
    out += digits_of[c >> 4];
    out += digits_of[c & 15];
  }
  return out;
}

bool unhex(const std::string& text, std::string* bytes) {
  if (text.size() % 2) return false;
  std::string out;
  for (size_t i = 0; i < text.size(); i += 2) {
    auto nibble = [](char c) {
      return c >= '0' && c <= '9'   ? c - '0'
             : c >= 'a' && c <= 'f' ? c - 'a' + 10
             : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                    : -1;
    };
    int high = nibble(text[i]), low = nibble(text[i + 1]);
    if (high < 0 || low < 0) return false;
    out += static_cast<char>(high * 16 + low);
  }
  *bytes = out;
  return true;
}

}  // namespace update
