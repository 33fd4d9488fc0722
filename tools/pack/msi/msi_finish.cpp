#include "msi/msi_finish.h"

#include <dlfcn.h>
#include <libmsi.h>

#include <algorithm>

#include "host/host_files.h"
#include "host/name_guid.h"
#include "host/refusal.h"
#include "msi/msi_code_page.h"
#include "msi/wix_source.h"

namespace {

// The namespace of package codes, a fixed random UUID.
const char package_codes[] = "{0EB1E1F3-08F0-4E4D-AC0B-C707E06BA062}";
const char zeroed[] = "{00000000-0000-0000-0000-000000000000}";

struct libmsi {
  decltype(&libmsi_database_new) database_new;
  decltype(&libmsi_database_import) import;
  decltype(&libmsi_database_commit) commit;
  decltype(&libmsi_query_new) query_new;
  decltype(&libmsi_query_execute) execute;
  decltype(&libmsi_query_close) close;
  decltype(&libmsi_record_new) record_new;
  decltype(&libmsi_record_set_int) set_field_int;
  decltype(&libmsi_record_set_string) set_field_string;
  decltype(&libmsi_summary_info_new) summary_new;
  decltype(&libmsi_summary_info_get_string) get_string;
  decltype(&libmsi_summary_info_set_string) set_string;
  decltype(&libmsi_summary_info_set_int) set_int;
  decltype(&libmsi_summary_info_set_filetime) set_filetime;
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
    look_up(library, "libmsi_database_import", &f.import);
    look_up(library, "libmsi_database_commit", &f.commit);
    look_up(library, "libmsi_query_new", &f.query_new);
    look_up(library, "libmsi_query_execute", &f.execute);
    look_up(library, "libmsi_query_close", &f.close);
    look_up(library, "libmsi_record_new", &f.record_new);
    look_up(library, "libmsi_record_set_int", &f.set_field_int);
    look_up(library, "libmsi_record_set_string", &f.set_field_string);
    look_up(library, "libmsi_summary_info_new", &f.summary_new);
    look_up(library, "libmsi_summary_info_get_string", &f.get_string);
    look_up(library, "libmsi_summary_info_set_string", &f.set_string);
    look_up(library, "libmsi_summary_info_set_int", &f.set_int);
    look_up(library, "libmsi_summary_info_set_filetime", &f.set_filetime);
    look_up(library, "libmsi_summary_info_persist", &f.persist);
    look_up(library, "g_object_unref", &f.unref);
    look_up(library, "g_error_free", &f.error_free);
    return f;
  }();
  return functions;
}

// An open package, committed by commit(); each step false with *error set once one fails.
struct package {
  const libmsi& m = loaded();
  GError* error = nullptr;
  LibmsiDatabase* db;

  explicit package(const std::filesystem::path& msi)
      : db(m.database_new(msi.c_str(), LIBMSI_DB_FLAGS_TRANSACT, nullptr, &error)) {}
  ~package() {
    if (error) m.error_free(error);
    if (db) m.unref(db);
  }

  // Runs sql with the record's fields, if any, for its '?' parameters.
  bool query(const std::string& sql, LibmsiRecord* fields = nullptr) {
    LibmsiQuery* q = db && !error ? m.query_new(db, sql.c_str(), &error) : nullptr;
    bool done = q && m.execute(q, fields, &error) && m.close(q, &error);
    if (q) m.unref(q);
    return done;
  }

  // Adds the rows, each table made before its first row when wixl made none.
  bool add(const std::vector<msi_row>& rows) {
    std::vector<const msi_table*> made;
    for (const msi_row& row : rows) {
      const msi_table& t = *row.table;
      if (t.made && std::find(made.begin(), made.end(), &t) == made.end()) {
        made.push_back(&t);
        if (!query(std::string("CREATE TABLE `") + t.name + "` (" + t.made + ")")) return false;
      }
      std::string columns, marks;
      for (const char* column : t.columns) {
        columns += std::string(columns.empty() ? "`" : ", `") + column + "`";
        marks += marks.empty() ? "?" : ", ?";
      }
      LibmsiRecord* fields = m.record_new(static_cast<unsigned>(row.values.size()));
      for (size_t i = 0; i < row.values.size(); ++i) {
        unsigned field = static_cast<unsigned>(i + 1);
        if (const int* number = std::get_if<int>(&row.values[i]))
          m.set_field_int(fields, field, *number);
        if (const std::string* text = std::get_if<std::string>(&row.values[i]))
          m.set_field_string(fields, field, text->c_str());
      }
      bool done = query(
          std::string("INSERT INTO `") + t.name + "` (" + columns + ") VALUES (" + marks + ")",
          fields);
      m.unref(fields);
      if (!done) return false;
    }
    return true;
  }

  // Sets the times and the package code, and whatever more what does to the summary.
  template <class more>
  bool summary(uint64_t filetime, const char* package_code, more what) {
    LibmsiSummaryInfo* s = db && !error ? m.summary_new(db, 10, &error) : nullptr;
    bool done = s && what(s) && m.set_filetime(s, LIBMSI_PROPERTY_CREATED_TM, filetime, &error) &&
                m.set_filetime(s, LIBMSI_PROPERTY_LASTSAVED_TM, filetime, &error) &&
                m.set_string(s, LIBMSI_PROPERTY_UUID, package_code, &error) && m.persist(s, &error);
    if (s) m.unref(s);
    return done;
  }

  void commit(const std::filesystem::path& msi, bool done) {
    if (done && m.commit(db, &error)) return;
    throw refusal(msi.u8string() + ": libmsi cannot finish it (" +
                  (error ? error->message : "no reason given") + ")");
  }
};

}  // namespace

void finish_msi(const std::filesystem::path& msi, const msi_finish& how) {
  // A FILETIME counts 100 ns steps from 1601.
  uint64_t filetime = (static_cast<uint64_t>(how.epoch) + 11644473600u) * 10000000u;
  std::filesystem::path code_page = msi.parent_path() / "code-page.idt";
  write_host_file(code_page, "\r\n\r\n" + std::to_string(how.code_page) + "\t_ForceCodepage\r\n");
  {
    package p(msi);
    // wixl's upgrade row stops short of its own version: 513 also takes in that version, as
    // an installer rebuilt with other content must replace the installed one.
    bool done =
        p.db && p.m.import(p.db, code_page.c_str(), &p.error) &&
        p.query("DELETE FROM `Upgrade` WHERE `ActionProperty`='WIX_UPGRADE_DETECTED'") &&
        p.query(
            "INSERT INTO `Upgrade` (`UpgradeCode`,`VersionMax`,`Attributes`,"
            "`ActionProperty`) VALUES ('" +
            how.upgrade_code + "','" + how.version + "',513,'WIX_UPGRADE_DETECTED')") &&
        p.query("UPDATE `Registry` SET `Root`=-1 WHERE `Root`=" + std::to_string(wixl_hkmu_root)) &&
        p.add(how.rows) && p.summary(filetime, zeroed, [&](LibmsiSummaryInfo* s) {
          // wixl writes the summary's texts in UTF-8, under code page 1252.
          if (!p.m.set_int(s, LIBMSI_PROPERTY_CODEPAGE, how.code_page, &p.error)) return false;
          for (LibmsiProperty text :
               {LIBMSI_PROPERTY_TITLE, LIBMSI_PROPERTY_SUBJECT, LIBMSI_PROPERTY_AUTHOR,
                LIBMSI_PROPERTY_KEYWORDS, LIBMSI_PROPERTY_COMMENTS}) {
            const char* written = p.m.get_string(s, text, nullptr);
            if (written &&
                !p.m.set_string(s, text, in_code_page(written, how.code_page).c_str(), &p.error))
              return false;
          }
          return true;
        });
    p.commit(msi, done);
  }
  std::filesystem::remove(code_page);
  package p(msi);
  std::string code = name_guid(package_codes, read_host_file(msi));
  p.commit(msi, p.summary(filetime, code.c_str(), [](LibmsiSummaryInfo*) { return true; }));
}
