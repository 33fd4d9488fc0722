#include "module_choice.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <unordered_map>

#include "class_file.h"
#include "refusal.h"
#include "service_modules.h"
#include "text.h"

namespace {

std::string dotted(std::string_view name) {
  std::string text(name);
  std::replace(text.begin(), text.end(), '/', '.');
  return text;
}

bool ends_with(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The first class of the app that names each package, and its place on the class path.
using first_users = std::map<std::string, std::string>;

void record_jar(const class_path_entry& entry, jar_file* jar, first_users* users,
                std::string* warnings) {
  std::string place = entry.written;
  std::replace(place.begin(), place.end(), '\\', '/');
  class_file file;
  std::string bytes, problem;
  for (const jar_entry& e : jar->entries) {
    if (!ends_with(e.name, ".class") || e.name.compare(0, 9, "META-INF/") == 0) continue;
    if (!read_entry(jar, e, &bytes, &problem) || !read_class_file(bytes, &file, &problem)) {
      *warnings += warning_line("'" + place + "' holds '" + std::string(e.name) +
                                "', which cannot be read (" + problem + ")");
      continue;
    }
    std::string user;
    for (std::string_view name : file.classes) {
      size_t slash = name.rfind('/');
      if (slash == std::string_view::npos) continue;
      auto [it, added] = users->try_emplace(std::string(name.substr(0, slash)));
      if (!added) continue;
      if (user.empty()) user = dotted(e.name.substr(0, e.name.size() - 6)) + " (" + place + ")";
      it->second = user;
    }
  }
}

}  // namespace

module_choice choose_modules(const target_jdk& jdk, const std::vector<class_path_entry>& class_path,
                             const std::vector<std::string>& requested) {
  module_choice choice;
  first_users users;
  walk_class_path(
      class_path,
      [&](const class_path_entry& entry, jar_file* jar) {
        if (jar) record_jar(entry, jar, &users, &choice.warnings);
      },
      &choice.warnings);

  std::map<std::string, std::string> reasons = {{"java.base", "always"}};
  std::unordered_map<std::string, std::string> exporter;
  for (const auto& [name, module] : jdk.modules) {
    for (const std::string& package : module.exports) exporter[package] = name;
  }
  for (const auto& [package, user] : users) {
    auto module = exporter.find(package);
    if (module != exporter.end()) reasons.emplace(module->second, "used by " + user);
  }
  int feature = std::atoi(jdk.version.c_str());
  for (const service_module& service : service_modules) {
    if (service.before && feature >= service.before) continue;
    for (std::string_view trigger : service.triggers) {
      // The package itself, or the first below it: '/' sorts before any name's character.
      auto used = users.lower_bound(std::string(trigger));
      if (used == users.end() || used->first.compare(0, trigger.size(), trigger) != 0 ||
          (used->first.size() > trigger.size() && used->first[trigger.size()] != '/'))
        continue;
      std::string why = std::string(service.subject) + " (" + dotted(trigger) + ") " + service.why;
      if (jdk.modules.count(service.module)) {
        reasons.emplace(service.module, why);
      } else {
        choice.left_out.push_back(std::string(service.module) +
                                  ": not in the module path, so left out; " + why);
      }
      break;
    }
  }
  for (const std::string& module : requested) {
    if (!jdk.modules.count(module))
      throw refusal("--add-modules " + module + ": the module path has no such module");
    reasons.emplace(module, "requested (--add-modules)");
  }
  for (const auto& [name, reason] : reasons) choice.modules.push_back({name, reason});
  return choice;
}
