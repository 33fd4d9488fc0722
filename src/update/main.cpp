// tavrin-update: the update program of an app that tavrin-pack made. The launcher starts it
// in the background once a check is due; the app may run it too.
//   tavrin-update status   prints {"installed": ..., "staged": ..., "latest": ...}
//   tavrin-update check    checks now, installs what is newer, then prints the status
#include <windows.h>

#include "update/app.h"
#include "update/http.h"
#include "update/win32.h"

namespace update {
namespace {

constexpr uint64_t max_feed = 16 << 20;

void print(const std::string& text) {
  DWORD written = 0;
  WriteFile(GetStdHandle(STD_OUTPUT_HANDLE), text.data(), static_cast<DWORD>(text.size()), &written,
            nullptr);
}

std::string json(const std::string& version) {
  return version.empty() ? "null" : "\"" + version + "\"";
}

void print_status(const app& a) {
  bool zip = a.s.kind == "zip";
  std::string staged = state_text(a, zip ? L"pending" : L"staged"), installed = a.s.version, text;
  // A zip install switched to the staged version already: until the next start, the one
  // installed is the version before.
  settings before;
  if (zip && !staged.empty() && read_file(a.state + L"\\previous.tavrin", &text, 1 << 20) &&
      parse_settings(text, &before))
    installed = before.version;
  print("{\"installed\": " + json(installed) + ", \"staged\": " + json(staged) +
        ", \"latest\": " + json(state_text(a, L"latest")) + "}\n");
}

// HKLM\Software\Policies\VENDOR\NAME UpdatesDisabled = 1 (a DWORD) turns checks off.
bool turned_off(const app& a) {
  std::wstring key = L"Software\\Policies\\" + widen(a.s.vendor) + L"\\" + widen(a.s.name);
  HKEY h = nullptr;
  DWORD value = 0, type = 0, size = sizeof value;
  bool off = RegOpenKeyExW(HKEY_LOCAL_MACHINE, key.c_str(), 0, KEY_QUERY_VALUE | KEY_WOW64_64KEY,
                           &h) == ERROR_SUCCESS &&
             RegQueryValueExW(h, L"UpdatesDisabled", nullptr, &type,
                              reinterpret_cast<BYTE*>(&value), &size) == ERROR_SUCCESS &&
             type == REG_DWORD && value == 1;
  if (h) RegCloseKey(h);
  return off;
}

// The feed, verified against the trusted keys and read; false with *problem set.
bool verified_feed(const app& a, feed* f, std::string* problem) {
  std::string text, signed_part, signature;
  uint64_t received = 0;
  if (!fetch(a.s.feed, L"", max_feed, "", &text, &received, problem)) return false;
  if (!split_signature(text, &signed_part, &signature)) {
    *problem = "the feed carries no signature";
    return false;
  }
  bool trusted = false;
  for (const std::string& key : a.s.trusted)
    trusted = trusted || verify_signature(key, signed_part, signature);
  if (!trusted) {
    *problem = "the feed's signature is by no trusted key";
    return false;
  }
  std::string why;
  if (!parse_feed(signed_part, f, &why)) {
    *problem = "the feed " + why;
    return false;
  }
  if (f->name != a.s.name || f->kind != a.s.kind || f->arch != a.s.arch) {
    *problem = "the feed is for " + f->name + " " + f->kind + " " + f->arch;
    return false;
  }
  return true;
}

// One check: true when it finished, whether or not there was anything to install.
bool check(app& a, bool background) {
  HANDLE lock = take_lock(a);
  if (lock == INVALID_HANDLE_VALUE) return false;  // another check or an installer runs
  bool zip = a.s.kind == "zip";
  if (zip) replace_launcher(a, false);
  std::string failed = state_text(a, L"failed");
  if (is_version(failed)) {
    write_file(a.state + L"\\bad", state_text(a, L"bad") + "\n" + failed + "\n");
    log_line(a, failed + " could not start; the launcher went back to " + a.s.version + ", and " +
                    failed + " is not installed again");
  }
  DeleteFileW((a.state + L"\\failed").c_str());
  bool pending = exists(a.state + L"\\pending");
  if (!pending) DeleteFileW((a.state + L"\\previous.tavrin").c_str());
  bool finished = true;
  feed f;
  std::string problem;
  std::vector<std::string> bad = bad_versions(a);
  if (turned_off(a)) {
    log_line(a, "updates are turned off by HKLM\\Software\\Policies\\" + a.s.vendor + "\\" +
                    a.s.name + " UpdatesDisabled");
  } else if (!verified_feed(a, &f, &problem)) {
    finished = false;
  } else {
    write_file(a.state + L"\\latest", f.version + "\n");
    bool known_bad = false;
    for (const std::string& v : bad) known_bad |= v == f.version;
    if (compare_versions(f.version, a.s.version) <= 0) {
      log_line(a, a.s.version + " is up to date (the feed names " + f.version + ")");
    } else if (known_bad) {
      log_line(a, f.version + " is marked bad; " + a.s.version + " stays");
    } else if (f.updater > updater_version) {
      log_line(a, f.version + " needs a newer update program; install it by hand");
    } else if (zip && pending) {
      log_line(a, f.version + " waits until " + state_text(a, L"pending") + " has started once");
    } else {
      finished = zip ? install_zip(a, f, &problem) : install_msi(a, f, &problem);
    }
  }
  if (!problem.empty()) log_line(a, "check failed, " + a.s.version + " stays: " + problem);
  // The first start after a switch checks again, and confirms the new version; an
  // interrupted check is tried again at once.
  if (finished && !exists(a.state + L"\\pending")) write_file(a.state + L"\\checked", "");
  if (zip) remove_unused_folders(a);
  if (zip && background) replace_launcher(a, true);
  CloseHandle(lock);
  return finished;
}

int run(int argc, wchar_t** argv) {
  std::wstring command = argc > 1 ? argv[1] : L"";
  wchar_t self[32768];
  GetModuleFileNameW(nullptr, self, 32768);
  if (command == L"install-msi" && argc == 4)
    return run_staged_installer(parent_of(parent_of(self)), argv[2], wcstoul(argv[3], nullptr, 10));
  app a;
  std::string problem;
  if ((command != L"status" && command != L"check") || !find_app(&a, L"", &problem)) {
    print(problem.empty() ? "usage: tavrin-update status | check\n"
                          : "tavrin-update: " + problem + "\n");
    return 2;
  }
  if (command == L"check") {
    bool background = argc == 4 && std::wstring(argv[2]) == L"--launcher";
    if (background) a.launcher = wcstoul(argv[3], nullptr, 10);
    bool finished = check(a, background);
    if (!background) print_status(a);
    return finished ? 0 : 1;
  }
  print_status(a);
  return 0;
}

}  // namespace
}  // namespace update

int wmain(int argc, wchar_t** argv) {
  return update::run(argc, argv);
}
