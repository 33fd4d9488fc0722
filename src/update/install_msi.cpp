// A per-user MSI install moves to a release through Windows Installer: the verified package
// is installed as a major upgrade, silently, once the app has ended, by a copy of this
// program in the state folder, so that no file the upgrade replaces is in use.
#include <windows.h>

#include "update/app.h"
#include "update/win32.h"

namespace update {
namespace {

// How long the app may run on before the staged package waits for a later check, and how
// long msiexec may take.
constexpr DWORD app_wait_ms = 24 * 3600 * 1000;
constexpr DWORD msiexec_wait_ms = 15 * 60 * 1000;

// Whether a program of the install runs: its file cannot then be opened for writing.
bool app_runs(const app& a) {
  std::string text;
  read_file(a.parameters, &text, 1 << 20);
  std::vector<std::wstring> programs{a.folder + L"\\" + widen(a.s.name) + L".exe"};
  for (const std::string& folder : named_folders(text)) {
    programs.push_back(a.folder + L"\\" + widen(folder) + L"\\bin\\javaw.exe");
    programs.push_back(a.folder + L"\\" + widen(folder) + L"\\bin\\java.exe");
  }
  for (const std::wstring& program : programs) {
    // Windows refuses to open a running program's file for writing; nothing is written.
    HANDLE f = CreateFileW(program.c_str(), GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f != INVALID_HANDLE_VALUE) {
      CloseHandle(f);
    } else if (GetLastError() == ERROR_SHARING_VIOLATION) {
      return true;
    }
  }
  return false;
}

// Waits for the launcher and the app to end, then runs msiexec on the verified package.
int install_staged(const app& a, const std::wstring& msi, unsigned long pid) {
  HANDLE launcher = pid ? OpenProcess(SYNCHRONIZE, FALSE, pid) : nullptr;
  if (launcher) {
    WaitForSingleObject(launcher, app_wait_ms);
    CloseHandle(launcher);
  }
  DWORD waited = 0;
  for (; app_runs(a) && waited < app_wait_ms; waited += 5000) Sleep(5000);
  if (waited >= app_wait_ms) {
    log_line(a, "the app still runs; the installer waits for a later check");
    return 1;
  }
  wchar_t system[MAX_PATH];
  GetSystemDirectoryW(system, MAX_PATH);
  std::wstring program = std::wstring(system) + L"\\msiexec.exe";
  std::wstring command = L"\"" + program + L"\" /i \"" + msi + L"\" /qn /norestart /l* \"" +
                         a.state + L"\\msiexec.log\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (!CreateProcessW(program.c_str(), &command[0], nullptr, nullptr, FALSE, 0, nullptr,
                      a.state.c_str(), &startup, &info)) {
    log_line(a, "cannot start msiexec (error " + std::to_string(GetLastError()) + ")");
    return 1;
  }
  CloseHandle(info.hThread);
  DWORD code = 1;
  if (WaitForSingleObject(info.hProcess, msiexec_wait_ms) != WAIT_OBJECT_0) {
    log_line(a, "msiexec did not end within 15 minutes; it is left to finish");
  } else {
    GetExitCodeProcess(info.hProcess, &code);
  }
  CloseHandle(info.hProcess);
  bool done = code == 0 || code == ERROR_SUCCESS_REBOOT_REQUIRED;
  log_line(a, done ? "installed " + state_text(a, L"staged") + " with msiexec"
                   : "msiexec failed with " + std::to_string(code) + "; see msiexec.log");
  if (done) {
    DeleteFileW((a.state + L"\\checked").c_str());
    DeleteFileW((a.state + L"\\staged").c_str());
    DeleteFileW(msi.c_str());
  }
  return done ? 0 : 1;
}

}  // namespace

bool install_msi(app& a, const feed& f, std::string* problem) {
  const feed_file& package = f.files[0];
  std::wstring msi = a.state + L"\\staging\\" + widen(package.sha256) + L".msi";
  uint64_t downloaded = 0;
  if (!fetch_file(a, package, msi, &downloaded, problem)) return false;
  wchar_t self[32768];
  DWORD n = GetModuleFileNameW(nullptr, self, 32768);
  std::wstring copy = a.state + L"\\installer.exe";
  std::wstring command =
      L"\"" + copy + L"\" install-msi \"" + msi + L"\" " + std::to_wstring(a.launcher);
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION info{};
  if (n == 0 || n == 32768 || !CopyFileW(self, copy.c_str(), FALSE) ||
      !write_file(a.state + L"\\staged", f.version + "\n") ||
      !CreateProcessW(copy.c_str(), &command[0], nullptr, nullptr, FALSE,
                      DETACHED_PROCESS | BELOW_NORMAL_PRIORITY_CLASS, nullptr, a.state.c_str(),
                      &startup, &info)) {
    *problem = "cannot start the installer's run (error " + std::to_string(GetLastError()) + ")";
    return false;
  }
  CloseHandle(info.hThread);
  CloseHandle(info.hProcess);
  log_line(a, "verified " + package.path + " (" + f.version + ", " + std::to_string(downloaded) +
                  " bytes downloaded); it is installed once the app has ended");
  return true;
}

int run_staged_installer(const std::wstring& folder, const std::wstring& msi, unsigned long pid) {
  app a;
  std::string problem;
  if (!find_app(&a, folder, &problem)) return 2;
  // The check that started this run ends soon; until the installer has run, no other check
  // starts another.
  HANDLE lock = INVALID_HANDLE_VALUE;
  for (int tries = 0; lock == INVALID_HANDLE_VALUE && tries < 600; ++tries) {
    lock = take_lock(a);
    if (lock == INVALID_HANDLE_VALUE) Sleep(100);
  }
  if (lock == INVALID_HANDLE_VALUE) return 1;
  int code = install_staged(a, msi, pid);
  CloseHandle(lock);
  return code;
}

}  // namespace update
