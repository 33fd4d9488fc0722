#include "runtime/module_choice.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>
#include <unordered_map>

#include "class_scan.h"
#include "host/refusal.h"
#include "runtime/service_modules.h"
#include "text.h"

namespace {

// The first class of the app that names each package, or each class that triggers a
// service module, and its place in the image.
using first_users = std::map<std::string, std::string>;

bool is_trigger_class(std::string_view name) {
  static const std::set<std::string_view> classes = [] {
    std::set<std::string_view> found;
    for (const service_module& service : service_modules) {
      for (std::string_view trigger : service.triggers) {
        char first = trigger[trigger.rfind('/') + 1];
        if (first >= 'A' && first <= 'Z') found.insert(trigger);
      }
    }
    return found;
  }();
  return classes.count(name) != 0;
}

void record_class(const class_path_entry& entry, const class_file& file, first_users* users) {
  std::string user;
  auto record = [&](std::string_view key) {
    auto [it, added] = users->try_emplace(std::string(key));
    if (!added) return;
    if (user.empty()) {
      std::u16string place = entry.path;
      size_t root = std::size(image_folder) - 1;
      if (place.compare(0, root, image_folder) == 0) place.erase(0, root);
      std::replace(place.begin(), place.end(), u'\\', u'/');
      user = dotted(file.name) + " (" + to_utf8(place) + ")";
    }
    it->second = user;
  };
  for (std::string_view name : file.classes) {
    size_t slash = name.rfind('/');
    if (slash == std::string_view::npos) continue;
    record(name.substr(0, slash));
    if (is_trigger_class(name)) record(name);
  }
}

}  // namespace

module_choice choose_modules(const target_jdk& jdk, const std::vector<class_path_entry>& class_path,
                             const std::vector<std::string>& requested) {
  module_choice choice;
  std::string unread;  // the check warns of what cannot be read, as it reads the same
  first_users users;
  int feature = std::atoi(jdk.version.c_str());
  walk_class_path(
      class_path, feature,
      [&](const class_path_entry& entry, jar_file* jar) {
        scan_classes(
            entry, jar, [&](const class_file& file) { record_class(entry, file, &users); },
            &unread);
      },
      &unread);

  std::map<std::string, std::string> reasons = {{"java.base", "always"}};
  std::unordered_map<std::string, std::string> exporter;
  for (const auto& [name, module] : jdk.modules) {
    for (const std::string& package : module.exports) exporter[package] = name;
  }
  for (const auto& [package, user] : users) {
    auto module = exporter.find(package);
    if (module != exporter.end()) reasons.emplace(module->second, "used by " + user);
  }
  for (const service_module& service : service_modules) {
    if (service.before && feature >= service.before) continue;
    for (std::string_view trigger : service.triggers) {
      // The package or class itself, or the first package below it: '/' sorts before any
      // name's character.
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
