#include "registry_stand_in.h"

#include "launch/file_names.h"
#include "launch/format.h"

namespace {

asked_search asked{false, {}, {}};

}  // namespace

asked_search registry_search_asked() {
  return asked;
}

int find_runtime(version lower, version upper, bool javaw, char16_t* launcher) {
  asked = {true, lower, upper};
  format_into(launcher, path_capacity, u"<runtime found in the registry>\\bin\\%s",
              javaw ? u"javaw.exe" : u"java.exe");
  return 1;
}
