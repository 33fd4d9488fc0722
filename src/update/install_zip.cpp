// A zip-installed app moves to a release in content-named folders that are never changed
// once there, and one atomic replacement of its parameter file.
#include <windows.h>

#include "update/app.h"
#include "update/win32.h"

namespace update {
namespace {

std::wstring local(const std::string& path) {
  std::wstring out = widen(path);
  for (wchar_t& c : out) c = c == L'/' ? L'\\' : c;
  return out;
}

bool fail(std::string* problem, const std::string& text) {
  *problem = text;
  return false;
}

}  // namespace

bool install_zip(app& a, const feed& f, std::string* problem) {
  std::wstring staging = a.state + L"\\staging";
  uint64_t downloaded = 0;
  size_t fetched = 0;
  std::wstring launcher = a.folder + L"\\" + widen(a.s.name) + L".exe";
  std::wstring parameters_name = widen(a.s.name) + L".tavrin";
  // Each content folder that is not there yet is fetched whole into staging, then renamed
  // into place: a folder of the install is complete or absent.
  std::vector<std::string> folders;
  for (const feed_file& file : f.files) {
    std::string top = file.path.substr(0, file.path.find('/'));
    if (top == file.path || exists(a.folder + L"\\" + widen(top))) continue;
    if (folders.empty() || folders.back() != top) folders.push_back(top);
    if (!fetch_file(a, file, staging + L"\\" + local(file.path), &downloaded, problem))
      return false;
    ++fetched;
  }
  for (const std::string& top : folders) {
    std::wstring to = a.folder + L"\\" + widen(top);
    if (!exists(to) && !MoveFileExW((staging + L"\\" + widen(top)).c_str(), to.c_str(), 0))
      return fail(problem, "cannot move " + top + " into place (error " +
                               std::to_string(GetLastError()) + ")");
  }
  std::string parameters;
  feed_file launcher_file{0, "", ""};
  for (const feed_file& file : f.files) {
    std::wstring name = local(file.path);
    if (CompareStringOrdinal(name.c_str(), -1, parameters_name.c_str(), -1, TRUE) == CSTR_EQUAL) {
      if (!fetch_file(a, file, staging + L"\\" + parameters_name, &downloaded, problem) ||
          !read_file(staging + L"\\" + parameters_name, &parameters, 1 << 20))
        return false;
    } else if (name.find(L'\\') == std::wstring::npos) {
      launcher_file = file;
    }
  }
  settings next;
  if (!parse_settings(parameters, &next) || next.version != f.version || next.name != a.s.name)
    return fail(problem, "the release's parameter file does not name version " + f.version);
  for (const std::string& folder : named_folders(parameters)) {
    if (!is_folder(a.folder + L"\\" + widen(folder)))
      return fail(problem, "the release's parameter file names " + folder + ", which it lacks");
  }
  // NAME.exe runs while the app runs: a newer one waits in staging for the app's end. An
  // older launcher reads the new parameter file as well as its own, and the reverse.
  if (!launcher_file.path.empty() &&
      !has_content(launcher, launcher_file.size, launcher_file.sha256) &&
      (!fetch_file(a, launcher_file, staging + L"\\launcher.exe", &downloaded, problem) ||
       !replace_file(staging + L"\\launcher.exe", a.state + L"\\launcher.exe")))
    return false;
  // The launcher looks for a pending version only when no finished check is recorded.
  DeleteFileW((a.state + L"\\checked").c_str());
  std::string current;
  if (!read_file(a.parameters, &current, 1 << 20) ||
      !write_file(a.state + L"\\previous.tavrin", current) ||
      !write_file(a.state + L"\\pending", f.version + "\n") ||
      !replace_file(staging + L"\\" + parameters_name, a.parameters))
    return fail(problem,
                "cannot switch the parameter file (error " + std::to_string(GetLastError()) + ")");
  remove_tree(staging);
  log_line(a, "installed " + f.version + " over " + a.s.version + ": " + std::to_string(fetched) +
                  " files fetched, " + std::to_string(downloaded) +
                  " bytes downloaded; it runs from the next start");
  a.s = next;
  return true;
}

void remove_unused_folders(const app& a) {
  std::string text, previous;
  read_file(a.parameters, &text, 1 << 20);
  if (exists(a.state + L"\\pending") &&
      read_file(a.state + L"\\previous.tavrin", &previous, 1 << 20))
    text += "\n" + previous;
  std::vector<std::string> used = named_folders(text);
  std::wstring trash = a.state + L"\\trash";
  make_folders(trash);
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW((a.folder + L"\\*").c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    std::string name = narrow(found.cFileName);
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) || !is_content_folder(name)) continue;
    bool named = false;
    for (const std::string& u : used) named |= u == name;
    // Renamed aside first: Windows refuses while a file in it is open, and a folder of the
    // install is then never half removed.
    std::wstring aside = trash + L"\\" + found.cFileName;
    if (!named && MoveFileExW((a.folder + L"\\" + found.cFileName).c_str(), aside.c_str(), 0))
      log_line(a, "removing " + name + ", which no version uses");
  } while (FindNextFileW(search, &found));
  FindClose(search);
  remove_tree(trash);
}

void replace_launcher(const app& a, bool wait) {
  std::wstring staged = a.state + L"\\launcher.exe";
  if (!exists(staged)) return;
  HANDLE launcher = wait && a.launcher ? OpenProcess(SYNCHRONIZE, FALSE, a.launcher) : nullptr;
  if (launcher) {
    WaitForSingleObject(launcher, 24 * 3600 * 1000);
    CloseHandle(launcher);
  }
  std::wstring exe = a.folder + L"\\" + widen(a.s.name) + L".exe";
  if (replace_file(staged, exe))
    log_line(a, "replaced " + a.s.name + ".exe by the release's");
  else
    log_line(a, a.s.name + ".exe is in use; it is replaced at a later check (error " +
                    std::to_string(GetLastError()) + ")");
}

}  // namespace update
