#include "javafx_start.h"

#include <algorithm>
#include <functional>

#include "text.h"

namespace {

size_t hash_of(std::string_view name) {
  return std::hash<std::string_view>()(name);
}

}  // namespace

bool lacks_javafx(const runtime_release& release) {
  const std::vector<std::string>& modules = release.modules;
  return release.lists_modules &&
         std::find(modules.begin(), modules.end(), "javafx.graphics") == modules.end();
}

void record_superclass(superclasses* classes, const class_file& file) {
  // Both are utf8 entries' texts, of at most 65535 bytes.
  classes->links.push_back({hash_of(file.name), classes->names.size(),
                            static_cast<uint16_t>(file.name.size()),
                            static_cast<uint16_t>(file.super_name.size())});
  classes->names.append(file.name).append(file.super_name);
}

std::string javafx_warning(superclasses classes, const main_class_search& main,
                           const std::string& runtime) {
  std::vector<superclass_link>& links = classes.links;
  // By hash, each name's links still in class-path order.
  std::stable_sort(
      links.begin(), links.end(),
      [](const superclass_link& a, const superclass_link& b) { return a.hash < b.hash; });
  std::string_view names = classes.names;
  auto find = [&](std::string_view name) -> const superclass_link* {
    size_t hash = hash_of(name);
    auto it = std::lower_bound(links.begin(), links.end(), hash,
                               [](const superclass_link& link, size_t h) { return link.hash < h; });
    for (; it != links.end() && it->hash == hash; ++it) {
      if (names.substr(it->at, it->size) == name) return &*it;
    }
    return nullptr;
  };
  const superclass_link* found = find(main.internal);
  // Each step takes another class, unless the classes name one another in a loop; a chain
  // ends at a class the class path lacks, such as java.lang.Object.
  for (size_t steps = 0; found && steps < links.size(); ++steps) {
    std::string_view super_name = names.substr(found->at + found->size, found->super_size);
    if (super_name != "javafx/application/Application") {
      found = find(super_name);
      continue;
    }
    std::string_view name = names.substr(found->at, found->size);
    std::string through = name == main.internal ? "" : " through " + dotted(name);
    return warning_line("main class '" + main.name + "' extends javafx.application.Application" +
                        through + ", but " + runtime +
                        "lacks module 'javafx.graphics'; java would stop with \"Error: JavaFX "
                        "runtime components are missing, and are required to run this "
                        "application\": link JavaFX's jmods into the runtime (--module-path of "
                        "jlink or tavrin-pack), or start through a main class that does not "
                        "extend Application");
  }
  return "";
}
