#include "msi_summary.h"

#include <dlfcn.h>
#include <libmsi.h>

#include <string>

#include "host_files.h"
#include "name_guid.h"
#include "refusal.h"

namespace {

// The namespace of package codes, a fixed random UUID.
const char package_codes[] = "{0EB1E1F3-08F0-4E4D-AC0B-C707E06BA062}";
const char zeroed[] = "{00000000-0000-0000-0000-000000000000}";

struct libmsi {
  decltype(&libmsi_database_new) database_new;
  decltype(&libmsi_database_commit) commit;
  decltype(&libmsi_summary_info_new) summary_new;
  decltype(&libmsi_summary_info_set_filetime) set_filetime;
  decltype(&libmsi_summary_info_set_string) set_string;
  decltype(&libmsi_summary_info_persist) persist;
  decltype(&g_object_unref) unref;
  decltype(&g_error_free) error_free;
};

template <class function>
void look_up(void* library, const char* name, function* f) {
  *f = reinterpret_cast<function>(dlsym(library, name));
  if (!*f) throw refusal(std::string("libmsi.so.0 lacks ") + name);
}

const libmsi& loaded() {
  static const libmsi functions = [] {
    void* library = dlopen("libmsi.so.0", RTLD_NOW);
    if (!library)
      throw refusal(std::string(dlerror()) + ": installers need Debian's libmsi0 (with wixl)");
    libmsi f;
    look_up(library, "libmsi_database_new", &f.database_new);
    look_up(library, "libmsi_database_commit", &f.commit);
    look_up(library, "libmsi_summary_info_new", &f.summary_new);
    look_up(library, "libmsi_summary_info_set_filetime", &f.set_filetime);
    look_up(library, "libmsi_summary_info_set_string", &f.set_string);
    look_up(library, "libmsi_summary_info_persist", &f.persist);
    look_up(library, "g_object_unref", &f.unref);
    look_up(library, "g_error_free", &f.error_free);
    return f;
  }();
  return functions;
}

void set_summary(const std::filesystem::path& msi, uint64_t filetime, const char* package_code) {
  const libmsi& m = loaded();
  GError* error = nullptr;
  LibmsiDatabase* db = m.database_new(msi.c_str(), LIBMSI_DB_FLAGS_TRANSACT, nullptr, &error);
  LibmsiSummaryInfo* summary = db ? m.summary_new(db, 10, &error) : nullptr;
  bool done = summary && m.set_filetime(summary, LIBMSI_PROPERTY_CREATED_TM, filetime, &error) &&
              m.set_filetime(summary, LIBMSI_PROPERTY_LASTSAVED_TM, filetime, &error) &&
              m.set_string(summary, LIBMSI_PROPERTY_UUID, package_code, &error) &&
              m.persist(summary, &error) && m.commit(db, &error);
  std::string problem = error ? error->message : "no reason given";
  if (error) m.error_free(error);
  if (summary) m.unref(summary);
  if (db) m.unref(db);
  if (!done) throw refusal(msi.u8string() + ": libmsi cannot set its summary (" + problem + ")");
}

}  // namespace

void settle_summary(const std::filesystem::path& msi, int64_t epoch) {
  // A FILETIME counts 100 ns steps from 1601.
  uint64_t filetime = (static_cast<uint64_t>(epoch) + 11644473600u) * 10000000u;
  set_summary(msi, filetime, zeroed);
  set_summary(msi, filetime, name_guid(package_codes, read_host_file(msi)).c_str());
}
