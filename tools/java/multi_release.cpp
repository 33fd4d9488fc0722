#include "multi_release.h"

#include <algorithm>

namespace {

// The N of an entry under META-INF/versions/N/, as the JDK reads it (decimal, no leading
// zero), with the name it stands for in *base; 0 for any other entry.
int version_of(std::string_view name, std::string_view* base) {
  const std::string_view folder = "META-INF/versions/";
  if (name.compare(0, folder.size(), folder) != 0) return 0;
  size_t slash = name.find('/', folder.size());
  if (slash == std::string_view::npos || slash - folder.size() > 9 || name[folder.size()] == '0')
    return 0;
  int version = 0;
  for (size_t i = folder.size(); i < slash; ++i) {
    if (name[i] < '0' || name[i] > '9') return 0;
    version = version * 10 + (name[i] - '0');
  }
  *base = name.substr(slash + 1);
  return version;
}

}  // namespace

void select_release(jar_file* jar, int feature) {
  struct candidate {
    int version;
    jar_entry entry;
  };
  std::vector<candidate> all;
  all.reserve(jar->entries.size());
  for (const jar_entry& entry : jar->entries) {
    std::string_view base;
    int version = version_of(entry.name, &base);
    // The JDK looks up no versions of names under META-INF/.
    bool chosen =
        version >= 8 && version <= feature && !base.empty() && base.compare(0, 9, "META-INF/") != 0;
    all.push_back({chosen ? version : 0, entry});
    if (chosen) all.back().entry.name = base;
  }
  std::sort(all.begin(), all.end(), [](const candidate& x, const candidate& y) {
    return x.entry.name != y.entry.name ? x.entry.name < y.entry.name : x.version < y.version;
  });
  jar->entries.clear();
  for (size_t i = 0; i < all.size(); ++i) {
    if (i + 1 == all.size() || all[i + 1].entry.name != all[i].entry.name) {
      jar->entries.push_back(all[i].entry);
    }
  }
}
