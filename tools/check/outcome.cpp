#include "outcome.h"

#include "command_words.h"
#include "java_side.h"
#include "platform/simulated/machine.h"
#include "range_text.h"
#include "registry_stand_in.h"
#include "text.h"
#include "unsigned_files.h"

namespace {

// A path the launcher resolved against its folder, shown as the parameter file wrote it.
std::string as_written(const std::u16string& path, const std::u16string& folder) {
  bool inside = path.size() > folder.size() && path.compare(0, folder.size(), folder) == 0;
  return to_utf8(inside ? path.substr(folder.size()) : path);
}

// The launcher asks first whether its launcher word names a file, then whether each
// class-path entry exists, in order; nothing else asks.
std::string warnings(const simulated_os::machine& m) {
  std::u16string folder = m.module_path.substr(0, m.module_path.rfind(u'\\') + 1);
  std::string text;
  asked_search search = registry_search_asked();
  if (search.asked && !m.existence_queries.empty()) {
    text += warning_line("launcher word '" + as_written(m.existence_queries[0].first, folder) +
                         "' names no file in the app, so the launcher would search the registry "
                         "for a Java runtime in the " +
                         range_text(search.lower, search.upper) +
                         " range; bundle a runtime with the app and name it, e.g. "
                         "jre\\bin\\java.exe");
  }
  for (size_t i = 1; i < m.existence_queries.size(); ++i) {
    if (m.existence_queries[i].second) continue;
    text += warning_line("class-path entry '" + as_written(m.existence_queries[i].first, folder) +
                         "' does not exist; the launcher would drop it");
  }
  return text;
}

// The Java side of the started command, from what the machine saw: the kept class-path
// entries, the Java options and the class named after the class path, and the runtime
// folder above the bin folder of a launcher word that names a file in the app.
started_java java_of(const simulated_os::machine& m) {
  std::u16string folder = m.module_path.substr(0, m.module_path.rfind(u'\\') + 1);
  asked_search search = registry_search_asked();
  started_java java{{}, "", {}, u"", "", search.asked, search.lower, search.upper};
  for (size_t i = 1; i < m.existence_queries.size(); ++i) {
    const auto& query = m.existence_queries[i];
    if (query.second) java.class_path.push_back({as_written(query.first, folder), query.first});
  }
  std::vector<std::u16string> words = command_words(m.started.back());
  for (size_t i = 1; i + 2 < words.size(); ++i) {
    if (words[i] == u"-cp") {
      java.main_class = to_utf8(words[i + 2]);
      break;
    }
    java.options.push_back(to_utf8(words[i]));
  }
  if (!search.asked && !m.existence_queries.empty() && m.existence_queries[0].second) {
    std::u16string program = simulated_os::lookup_name(m.existence_queries[0].first.c_str());
    std::u16string bin = program.substr(0, program.rfind(u'\\'));
    size_t cut = bin.rfind(u'\\');
    std::u16string name = bin.substr(cut + 1);
    simulated_os::ignore_case_less less;
    if (cut != std::u16string::npos && !less(name, u"bin") && !less(u"bin", name)) {
      java.runtime = bin.substr(0, cut);
      java.runtime_written = as_written(java.runtime, folder);
    }
  }
  return java;
}

}  // namespace

check_outcome outcome_of(int exit_code) {
  const simulated_os::machine& m = simulated_os::current();
  check_outcome outcome{"", "", 2};
  if (m.log_on) {
    // The log's bytes as the log file would hold them. A log that could not be created
    // (its name is a directory) went to standard error instead.
    for (const std::u16string& log : m.created_outputs) {
      auto file = m.files.find(log);
      if (file != m.files.end()) outcome.err += file->second;
    }
    outcome.err += m.standard_error;
  }
  if (exit_code != 0 || m.started.empty()) {
    if (!m.boxes.empty()) outcome.err += to_utf8(m.boxes.back().text) + "\n";
    return outcome;
  }
  outcome.out = to_utf8(m.started.back()) + "\n";
  std::string warned = warnings(m) + java_side_warnings(java_of(m));
  // Notes tell what Windows may block but leave the exit status alone: an image is often
  // signed after the check, on another machine.
  std::u16string folder = m.module_path.substr(0, m.module_path.rfind(u'\\'));
  outcome.err += warned + unsigned_file_notes(folder);
  outcome.status = warned.empty() ? 0 : 1;
  return outcome;
}
