// The launcher's registry search. tavrin-check links its own find_runtime instead, so
// that it never reads a registry.
#include "launch/diagnostics.h"
#include "launch/file_names.h"
#include "launch/format.h"
#include "platform/os.h"
#include "runtime/registry_path.h"
#include "runtime/runtime_search.h"
#include "runtime/version_text.h"

namespace {

const char16_t registry_base[] =
    u"\\HKEY_LOCAL_MACHINE\\SOFTWARE\\JavaSoft\\Java Runtime Environment\\";

const char16_t* read_runtime_value(version v, const char16_t* value_name, uint32_t* type,
                                   uint32_t access_flags) {
  char16_t path[path_capacity];
  format_into(path, path_capacity, u"%s%d.%d\\%s", registry_base, v.major, v.minor, value_name);
  return static_cast<const char16_t*>(read_registry_path(path, type, access_flags));
}

}  // namespace

int try_runtime_version(version v, bool javaw, char16_t* launcher) {
  log_message(u"Searching installed Java[tm] having version %d.%d.%d", v.major, v.minor, v.micro);
  uint32_t type = 0;
  uint32_t access = os::key_wow64_64key;
  const char16_t* micro = read_runtime_value(v, u"MicroVersion", &type, access);
  if (!micro) {
    access = 0;
    micro = read_runtime_value(v, u"MicroVersion", &type, access);
  }
  if (!micro || type != os::reg_sz) {
    log_message(u"Don't find Java[tm] version %d.%d.%d: no MicroVersion", v.major, v.minor,
                v.micro);
    return 0;
  }
  scanned_fields read = scan_fields(micro, u"%d");
  if (read.count != 1 || read.overflow || read.values[0] != v.micro) {
    log_message(u"Don't find Java[tm] version %d.%d.%d: incompatible MicroVersion", v.major,
                v.minor, v.micro);
    return 0;
  }
  const char16_t* home = read_runtime_value(v, u"JavaHome", &type, access);
  // A relative home would name a program in whatever the current directory is.
  if (!home || type != os::reg_sz || !is_absolute_path(home)) {
    log_message(u"Don't find Java[tm] version %d.%d.%d: no JavaHome", v.major, v.minor, v.micro);
    return 0;
  }
  format_into(launcher, path_capacity,
              javaw ? u"%.1000s\\bin\\javaw.exe" : u"%.1000s\\bin\\java.exe", home);
  log_message(u"Found Java[tm] %d.%d.%d launcher\n'%s'", v.major, v.minor, v.micro, home);
  return 1;
}

int find_runtime(version lower, version upper, bool javaw, char16_t* launcher) {
  if (lower.major != upper.major) {
    for (int32_t major = upper.major; major >= lower.major; --major) {
      for (int32_t minor = 9; minor >= 0; --minor) {
        for (int32_t micro = 9; micro >= 0; --micro) {
          version v{major, minor, micro};
          if (version_in_range(v, lower, upper) && try_runtime_version(v, javaw, launcher))
            return 1;
        }
      }
    }
  } else if (lower.minor == upper.minor) {
    for (int64_t micro = upper.micro; micro >= lower.micro; --micro) {
      if (try_runtime_version({lower.major, lower.minor, static_cast<int32_t>(micro)}, javaw,
                              launcher)) {
        return 1;
      }
    }
  } else {
    for (int64_t minor = upper.minor; minor >= lower.minor; --minor) {
      for (int32_t micro = 9; micro >= 0; --micro) {
        version v{lower.major, static_cast<int32_t>(minor), micro};
        if (version_in_range(v, lower, upper) && try_runtime_version(v, javaw, launcher)) return 1;
      }
    }
  }
  return 0;
}
