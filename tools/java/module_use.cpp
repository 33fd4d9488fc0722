#include "module_use.h"

#include "module_table.h"

namespace {

std::string_view package_of(std::string_view name) {
  size_t slash = name.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : name.substr(0, slash);
}

}  // namespace

module_use modules_provided(const std::vector<std::string>& names) {
  module_use use{std::vector<bool>(module_count()), {}, {}, {}};
  for (const std::string& name : names) {
    for (int i = 0; i < module_count(); ++i) {
      if (name == module_name(i)) use.provided[i] = true;
    }
  }
  return use;
}

void record_module_use(module_use* use, const std::string& place, const class_file& file) {
  std::string_view own = package_of(file.name);
  if (module_of_package(own) >= 0 && own.compare(0, 5, "java/") != 0) {
    use->on_the_path.emplace(own);
  }
  for (std::string_view name : file.classes) {
    std::string_view package = package_of(name);
    int module = module_of_package(package);
    if (module < 0 || use->provided[module] || use->used.count(package)) continue;
    use->used.emplace(package);
    use->uses.push_back({place, dotted(name), std::string(package), module});
  }
}

std::vector<first_use> missing_modules(const module_use& use) {
  std::vector<first_use> missing(module_count());
  for (const first_use& u : use.uses) {
    if (missing[u.module].place.empty() && !use.on_the_path.count(u.package)) missing[u.module] = u;
  }
  return missing;
}
