// Runs one launcher case under Wine: sets the registry, starts the launcher with an exact
// application name, command line, directory and environment, answers every message box
// the launcher shows (recording caption, text and buttons), and writes a JSON report.
//
// Usage: e2e_driver.exe JOBFILE
// The job file is UTF-8 text, one directive a line, fields separated by one space. Every
// text field is the hex of its UTF-16LE code units ("-" for empty), so any string, even
// one with lone surrogates, passes unchanged; registry data is the hex of its bytes.
//   report TEXT                 where to write the report
//   app TEXT                    application name given to CreateProcessW
//   cmd TEXT                    command line given to CreateProcessW
//   cwd TEXT                    current directory of the launcher
//   set NAME VALUE / unset NAME changes to the driver's own environment
//   reg VIEW KEY NAME TYPE DATA a value under HKLM (VIEW 64 or 32, TYPE a REG_* number)
//   regkey VIEW KEY             a key without values
//   marker TEXT                 a file whose existence is recorded when the launcher exits
//   gate TEXT                   a file created once the launcher has exited
//   timeout MS                  how long the launcher may run before it is killed
//   systext CODE                report FormatMessageW's text for this error code
//   stdio IN OUT ERR            the launcher's standard handles: IN read, OUT and ERR
//                               created, all three inherited; ERR equal to OUT is the
//                               same handle; OUT or ERR "CONOUT$" is a console of the
//                               driver's own, opened for writing only, whose text the
//                               report holds once the launcher has exited
//   flags N                     creation flags added for the launcher (DETACHED_PROCESS 8)
//   kill TEXT                   once the file TEXT exists and is no longer being written,
//                               the launcher is ended with TerminateProcess (exit code 9),
//                               as a caller's time-out does
//   canary                      the launcher also inherits the write end of a pipe; the
//                               report says whether any process still held it once the
//                               launcher had exited (a child that inherited it)
// After the launcher exits, the driver waits for the processes it started to end, then
// reports every value under HKLM\SOFTWARE\JavaSoft in both views, so that a test can
// tell the launcher changed nothing there.

// windows.h must come before the other Windows headers.
// clang-format off
#include <windows.h>
#include <tlhelp32.h>
// clang-format on

#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>

#include "json_out.h"

namespace {

struct RegValue {
  REGSAM view;
  std::wstring key, name;
  bool key_only;
  DWORD type;
  std::string data;
};

struct Job {
  std::wstring report, app, cmd, cwd, marker, gate, kill;
  std::vector<std::wstring> stdio;  // input, output and error files, or none
  bool canary = false;
  std::vector<std::pair<std::wstring, std::wstring>> set;  // in order given
  std::vector<std::wstring> unset;
  std::vector<RegValue> reg;
  std::vector<DWORD> systexts;
  DWORD timeout_ms = 30000;
  DWORD flags = 0;
};

struct Box {
  HWND hwnd;
  std::wstring caption, text;
  std::vector<int> buttons;
};

std::string unhex(const std::string& s) {
  std::string out;
  if (s == "-") return out;
  auto nibble = [](char c) { return c <= '9' ? c - '0' : (c | 0x20) - 'a' + 10; };
  for (size_t i = 0; i + 1 < s.size(); i += 2)
    out += static_cast<char>(nibble(s[i]) << 4 | nibble(s[i + 1]));
  return out;
}

std::wstring unhex_text(const std::string& s) {
  std::string bytes = unhex(s);
  std::wstring out(bytes.size() / 2, L'\0');
  for (size_t i = 0; i < out.size(); ++i)
    out[i] = static_cast<wchar_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                  static_cast<unsigned char>(bytes[2 * i + 1]) << 8);
  return out;
}

bool read_job(const wchar_t* path, Job& job, std::string& error) {
  HANDLE f = CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f == INVALID_HANDLE_VALUE) return error = "cannot open job file", false;
  std::string text;
  char buf[4096];
  DWORD got = 0;
  while (ReadFile(f, buf, sizeof buf, &got, nullptr) && got) text.append(buf, got);
  CloseHandle(f);

  size_t pos = 0;
  while (pos < text.size()) {
    size_t end = text.find('\n', pos);
    if (end == std::string::npos) end = text.size();
    std::vector<std::string> w;
    size_t at = pos;
    while (at < end) {
      size_t sp = std::min(text.find(' ', at), end);
      w.push_back(text.substr(at, sp - at));
      at = sp + 1;
    }
    pos = end + 1;
    if (w.empty()) continue;
    const std::string& d = w[0];
    size_t n = w.size();
    if (d == "report" && n == 2)
      job.report = unhex_text(w[1]);
    else if (d == "app" && n == 2)
      job.app = unhex_text(w[1]);
    else if (d == "cmd" && n == 2)
      job.cmd = unhex_text(w[1]);
    else if (d == "cwd" && n == 2)
      job.cwd = unhex_text(w[1]);
    else if (d == "marker" && n == 2)
      job.marker = unhex_text(w[1]);
    else if (d == "gate" && n == 2)
      job.gate = unhex_text(w[1]);
    else if (d == "kill" && n == 2)
      job.kill = unhex_text(w[1]);
    else if (d == "flags" && n == 2)
      job.flags = std::stoul(w[1], nullptr, 0);
    else if (d == "timeout" && n == 2)
      job.timeout_ms = std::stoul(w[1]);
    else if (d == "canary" && n == 1)
      job.canary = true;
    else if (d == "stdio" && n == 4)
      job.stdio = {unhex_text(w[1]), unhex_text(w[2]), unhex_text(w[3])};
    else if (d == "systext" && n == 2)
      job.systexts.push_back(std::stoul(w[1]));
    else if (d == "set" && n == 3)
      job.set.emplace_back(unhex_text(w[1]), unhex_text(w[2]));
    else if (d == "unset" && n == 2)
      job.unset.push_back(unhex_text(w[1]));
    else if ((d == "reg" && n == 6) || (d == "regkey" && n == 3)) {
      RegValue v{static_cast<REGSAM>(w[1] == "32" ? KEY_WOW64_32KEY : KEY_WOW64_64KEY),
                 unhex_text(w[2]),
                 L"",
                 d == "regkey",
                 0,
                 ""};
      if (!v.key_only) {
        v.name = unhex_text(w[3]);
        v.type = std::stoul(w[4]);
        v.data = unhex(w[5]);
      }
      job.reg.push_back(v);
    } else {
      return error = "bad job line: " + d, false;
    }
  }
  if (job.report.empty() || job.app.empty()) return error = "job lacks report or app", false;
  return true;
}

// Removes HKLM\SOFTWARE\JavaSoft from one registry view; true when it is gone.
bool clear_javasoft(REGSAM view) {
  const wchar_t* key = L"SOFTWARE\\JavaSoft";
  HKEY h;
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_ALL_ACCESS | view, &h) == ERROR_SUCCESS) {
    RegDeleteTreeW(h, nullptr);
    RegCloseKey(h);
    RegDeleteKeyExW(HKEY_LOCAL_MACHINE, key, view, 0);
  }
  if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, key, 0, KEY_READ | view, &h) != ERROR_SUCCESS) return true;
  RegCloseKey(h);
  return false;
}

bool write_registry(const Job& job, std::string& error) {
  if (!clear_javasoft(KEY_WOW64_64KEY) || !clear_javasoft(KEY_WOW64_32KEY))
    return error = "cannot clear HKLM\\SOFTWARE\\JavaSoft", false;
  for (const RegValue& v : job.reg) {
    HKEY h;
    LONG rc = RegCreateKeyExW(HKEY_LOCAL_MACHINE, v.key.c_str(), 0, nullptr, 0,
                              KEY_ALL_ACCESS | v.view, nullptr, &h, nullptr);
    if (rc != ERROR_SUCCESS) return error = "RegCreateKeyExW failed " + std::to_string(rc), false;
    // RegSetValueExW adds a string's missing terminator when a null character follows
    // the data in memory; a non-null one there keeps the bytes exactly as given.
    std::string padded = v.data + "\x01\x01\x01";
    if (!v.key_only)
      rc = RegSetValueExW(h, v.name.empty() ? nullptr : v.name.c_str(), 0, v.type,
                          reinterpret_cast<const BYTE*>(padded.data()),
                          static_cast<DWORD>(v.data.size()));
    RegCloseKey(h);
    if (rc != ERROR_SUCCESS) return error = "RegSetValueExW failed " + std::to_string(rc), false;
  }
  return true;
}

std::wstring upper_name(const std::wstring& entry) {
  // Names of entries like "=C:=C:\dir" start after their leading '='.
  size_t eq = entry.find(L'=', 1);
  std::wstring name = entry.substr(0, eq);
  CharUpperBuffW(&name[0], static_cast<DWORD>(name.size()));
  return name;
}

// The driver's environment without VERBOSE_TAVRIN, changed as the job says, sorted by
// name without regard to case, as a CreateProcessW environment block.
std::wstring environment_block(const Job& job) {
  std::vector<std::wstring> entries;
  wchar_t* env = GetEnvironmentStringsW();
  for (const wchar_t* p = env; *p; p += wcslen(p) + 1) entries.emplace_back(p);
  FreeEnvironmentStringsW(env);

  auto remove = [&](const std::wstring& name) {
    std::wstring key = upper_name(name + L"=");
    entries.erase(std::remove_if(entries.begin(), entries.end(),
                                 [&](const std::wstring& e) { return upper_name(e) == key; }),
                  entries.end());
  };
  remove(L"VERBOSE_TAVRIN");
  for (const std::wstring& name : job.unset) remove(name);
  for (const auto& [name, value] : job.set) {
    remove(name);
    entries.push_back(name + L"=" + value);
  }
  std::stable_sort(
      entries.begin(), entries.end(),
      [](const std::wstring& a, const std::wstring& b) { return upper_name(a) < upper_name(b); });
  std::wstring block;
  for (const std::wstring& e : entries) block += e + L'\0';
  return block + L'\0';
}

std::wstring window_text(HWND w) {
  DWORD_PTR len = 0;
  if (!SendMessageTimeoutW(w, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &len)) return L"";
  std::wstring s(len + 1, L'\0');
  DWORD_PTR got = 0;
  SendMessageTimeoutW(w, WM_GETTEXT, len + 1, reinterpret_cast<LPARAM>(&s[0]), SMTO_ABORTIFHUNG,
                      5000, &got);
  s.resize(got);
  return s;
}

struct Scan {
  DWORD pid;
  std::vector<HWND> found;
};

BOOL CALLBACK find_box(HWND w, LPARAM param) {
  Scan& scan = *reinterpret_cast<Scan*>(param);
  DWORD pid = 0;
  wchar_t cls[64];
  GetWindowThreadProcessId(w, &pid);
  if (pid == scan.pid && IsWindowVisible(w) && GetClassNameW(w, cls, 64) && !wcscmp(cls, L"#32770"))
    scan.found.push_back(w);
  return TRUE;
}

BOOL CALLBACK find_button(HWND w, LPARAM param) {
  wchar_t cls[64];
  if (IsWindowVisible(w) && GetClassNameW(w, cls, 64) && !_wcsicmp(cls, L"Button"))
    reinterpret_cast<std::vector<int>*>(param)->push_back(GetDlgCtrlID(w));
  return TRUE;
}

// Records every box of the process not seen before and presses its OK button. `open`
// holds the boxes already recorded that still exist, so each box is recorded once.
void answer_boxes(DWORD pid, std::vector<Box>& boxes, std::vector<HWND>& open) {
  open.erase(std::remove_if(open.begin(), open.end(), [](HWND w) { return !IsWindow(w); }),
             open.end());
  Scan scan{pid, {}};
  EnumWindows(find_box, reinterpret_cast<LPARAM>(&scan));
  for (HWND w : scan.found) {
    if (std::find(open.begin(), open.end(), w) == open.end()) {
      Box box{w, L"", L"", {}};
      int caption_len = GetWindowTextLengthW(w);
      box.caption.resize(caption_len + 1);
      box.caption.resize(GetWindowTextW(w, &box.caption[0], caption_len + 1));
      HWND text = GetDlgItem(w, 0xFFFF);
      if (text) box.text = window_text(text);
      EnumChildWindows(w, find_button, reinterpret_cast<LPARAM>(&box.buttons));
      std::sort(box.buttons.begin(), box.buttons.end());
      boxes.push_back(box);
      open.push_back(w);
    }
    // Pressed again on every scan until the box is gone, in case a press came too early.
    PostMessageW(w, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  }
}

bool exists(const std::wstring& path) {
  return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES;
}

// Whether the file exists and no one has it open for writing (the open denies that).
bool written(const std::wstring& path) {
  HANDLE f =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
  if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
  return f != INVALID_HANDLE_VALUE;
}

// Whether the process runs a program of Wine's own (under C:\windows), such as the
// desktop process that a first window starts on demand and that outlives its starter.
bool wine_program(DWORD pid) {
  wchar_t windows[MAX_PATH], image[32768];
  UINT n = GetWindowsDirectoryW(windows, MAX_PATH);
  DWORD size = 32768;
  HANDLE h = OpenProcess(PROCESS_QUERY_LIMITED_INFORMATION, FALSE, pid);
  bool ok = h && QueryFullProcessImageNameW(h, 0, image, &size) && size > n &&
            !_wcsnicmp(image, windows, n) && image[n] == L'\\';
  if (h) CloseHandle(h);
  return ok;
}

// Waits until no process started by the given one is left (Wine's own programs aside),
// killing those still running after timeout_ms. Returns the names of those killed.
std::vector<std::wstring> wait_for_children(DWORD parent, DWORD timeout_ms) {
  DWORD start = GetTickCount();
  for (;;) {
    std::vector<std::pair<DWORD, std::wstring>> children;
    HANDLE snap = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
    PROCESSENTRY32W entry{};
    entry.dwSize = sizeof entry;
    for (BOOL ok = Process32FirstW(snap, &entry); ok; ok = Process32NextW(snap, &entry))
      if (entry.th32ParentProcessID == parent && !wine_program(entry.th32ProcessID))
        children.emplace_back(entry.th32ProcessID, entry.szExeFile);
    CloseHandle(snap);
    if (children.empty()) return {};
    if (GetTickCount() - start > timeout_ms) {
      std::vector<std::wstring> killed;
      for (const auto& [pid, name] : children) {
        HANDLE h = OpenProcess(PROCESS_TERMINATE | SYNCHRONIZE, FALSE, pid);
        if (h) TerminateProcess(h, 259), WaitForSingleObject(h, 5000), CloseHandle(h);
        killed.push_back(name);
      }
      return killed;
    }
    Sleep(20);
  }
}

// Adds every value below the open key to out as JSON arrays [view, key, name, type, hex].
void dump_values(HKEY h, const wchar_t* view, const std::wstring& path, std::string& out) {
  static const char hex[] = "0123456789abcdef";
  wchar_t name[16384];
  std::vector<BYTE> data(1 << 16);
  for (DWORD i = 0;; ++i) {
    DWORD name_len = 16384, type = 0, size = static_cast<DWORD>(data.size());
    if (RegEnumValueW(h, i, name, &name_len, nullptr, &type, data.data(), &size) != ERROR_SUCCESS)
      break;
    out += out.back() == '[' ? "[" : ", [";
    e2e::json_string(out, view, wcslen(view));
    out += ", ";
    e2e::json_string(out, path);
    out += ", ";
    e2e::json_string(out, name, name_len);
    out += ", " + std::to_string(type) + ", \"";
    for (DWORD b = 0; b < size; ++b) out += hex[data[b] >> 4], out += hex[data[b] & 15];
    out += "\"]";
  }
  for (DWORD i = 0;; ++i) {
    DWORD name_len = 256;
    if (RegEnumKeyExW(h, i, name, &name_len, nullptr, nullptr, nullptr, nullptr) != ERROR_SUCCESS)
      break;
    HKEY sub;
    if (RegOpenKeyExW(h, name, 0, KEY_READ, &sub) == ERROR_SUCCESS) {
      dump_values(sub, view, path + L"\\" + name, out);
      RegCloseKey(sub);
    }
  }
}

std::string registry_values() {
  std::string out = "[";
  for (const wchar_t* view : {L"64", L"32"}) {
    HKEY h;
    REGSAM sam = KEY_READ | (view[0] == L'6' ? KEY_WOW64_64KEY : KEY_WOW64_32KEY);
    if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, L"SOFTWARE\\JavaSoft", 0, sam, &h) == ERROR_SUCCESS) {
      dump_values(h, view, L"SOFTWARE\\JavaSoft", out);
      RegCloseKey(h);
    }
  }
  return out + "]";
}

std::wstring system_text(DWORD code) {
  wchar_t buf[1024];
  DWORD n = FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
                           code, MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buf, 1023, nullptr);
  return std::wstring(buf, n);
}

// The console's lines up to its cursor, without trailing blanks, joined by "\n".
std::wstring console_text() {
  HANDLE out = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
  CONSOLE_SCREEN_BUFFER_INFO info{};
  GetConsoleScreenBufferInfo(out, &info);
  std::wstring text;
  std::vector<wchar_t> row(info.dwSize.X);
  for (SHORT y = 0; y < info.dwCursorPosition.Y; ++y) {
    DWORD got = 0;
    ReadConsoleOutputCharacterW(out, row.data(), info.dwSize.X, COORD{0, y}, &got);
    std::wstring line(row.data(), got);
    text += line.substr(0, line.find_last_not_of(L' ') + 1) + L"\n";
  }
  CloseHandle(out);
  return text;
}

std::string run(const Job& job, std::string& error) {
  std::string out = "{";
  if (!write_registry(job, error)) return out;

  std::wstring cmd = job.cmd;  // CreateProcessW may write into the command line
  std::wstring env = environment_block(job);
  STARTUPINFOW si{};
  si.cb = sizeof si;
  std::vector<HANDLE> stdio;
  SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
  bool console = std::count(job.stdio.begin(), job.stdio.end(), L"CONOUT$") != 0;
  // The console of a program Wine starts from Linux cannot be had; a new one can.
  if (console) FreeConsole(), AllocConsole();
  for (size_t i = 0; i < job.stdio.size(); ++i) {
    bool create = i && job.stdio[i] != L"CONOUT$";
    stdio.push_back(i == 2 && job.stdio[2] == job.stdio[1]
                        ? stdio[1]
                        : CreateFileW(job.stdio[i].c_str(), i ? GENERIC_WRITE : GENERIC_READ,
                                      FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                      create ? CREATE_ALWAYS : OPEN_EXISTING, 0, nullptr));
  }
  if (!stdio.empty()) {
    si.dwFlags = STARTF_USESTDHANDLES;
    si.hStdInput = stdio[0];
    si.hStdOutput = stdio[1];
    si.hStdError = stdio[2];
  }
  HANDLE canary_read = nullptr, canary_write = nullptr;
  if (job.canary) CreatePipe(&canary_read, &canary_write, &inherited, 0);
  PROCESS_INFORMATION pi{};
  BOOL created =
      CreateProcessW(job.app.c_str(), &cmd[0], nullptr, nullptr, !stdio.empty() || job.canary,
                     CREATE_UNICODE_ENVIRONMENT | job.flags, &env[0],
                     job.cwd.empty() ? nullptr : job.cwd.c_str(), &si, &pi);
  for (size_t i = 0; i < stdio.size(); ++i)
    if (i < 2 || stdio[2] != stdio[1]) CloseHandle(stdio[i]);
  if (canary_write) CloseHandle(canary_write);
  if (!created) {
    error = "CreateProcessW failed " + std::to_string(GetLastError());
    return out;
  }

  std::vector<Box> boxes;
  std::vector<HWND> open;
  bool timed_out = false;
  DWORD start = GetTickCount();
  for (;;) {
    DWORD wait = WaitForSingleObject(pi.hProcess, 10);
    if (wait != WAIT_OBJECT_0) answer_boxes(pi.dwProcessId, boxes, open);
    if (wait == WAIT_OBJECT_0) break;
    if (!job.kill.empty() && written(job.kill)) {
      TerminateProcess(pi.hProcess, 9);
      WaitForSingleObject(pi.hProcess, 5000);
      break;
    }
    if (GetTickCount() - start > job.timeout_ms) {
      TerminateProcess(pi.hProcess, 259);
      WaitForSingleObject(pi.hProcess, 5000);
      timed_out = true;
      break;
    }
  }
  DWORD code = 0;
  GetExitCodeProcess(pi.hProcess, &code);
  CloseHandle(pi.hProcess);
  CloseHandle(pi.hThread);

  // Whether the child finished before the launcher ended; then let a child held back by
  // the gate finish, so nothing of this case is left running.
  bool marker_at_exit = !job.marker.empty() && exists(job.marker);
  // With the launcher gone, the pipe is broken unless its child holds the write end.
  bool canary_held =
      canary_read && PeekNamedPipe(canary_read, nullptr, 0, nullptr, nullptr, nullptr);
  if (canary_read) CloseHandle(canary_read);
  if (!job.gate.empty()) e2e::write_file(job.gate, "", false);
  std::vector<std::wstring> left_running = wait_for_children(pi.dwProcessId, 30000);

  out += "\"exit_code\": " + std::to_string(code);
  out += ", \"timed_out\": " + std::string(timed_out ? "true" : "false");
  out += ", \"marker_at_exit\": " + std::string(marker_at_exit ? "true" : "false");
  out += ", \"canary_held\": " + std::string(canary_held ? "true" : "false");
  out += ", \"children_killed\": ";
  e2e::json_string_list(out, left_running);
  out += ", \"boxes\": [";
  for (size_t i = 0; i < boxes.size(); ++i) {
    out += i ? ", {\"caption\": " : "{\"caption\": ";
    e2e::json_string(out, boxes[i].caption);
    out += ", \"text\": ";
    e2e::json_string(out, boxes[i].text);
    out += ", \"buttons\": [";
    for (size_t b = 0; b < boxes[i].buttons.size(); ++b)
      out += (b ? ", " : "") + std::to_string(boxes[i].buttons[b]);
    out += "]}";
  }
  out += "], \"console_text\": ";
  e2e::json_string(out, console ? console_text() : L"");
  out += ", \"registry\": " + registry_values() + ", \"systexts\": {";
  for (size_t i = 0; i < job.systexts.size(); ++i) {
    out += (i ? ", \"" : "\"") + std::to_string(job.systexts[i]) + "\": ";
    e2e::json_string(out, system_text(job.systexts[i]));
  }
  out += "}, ";
  return out;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  if (argc != 2) {
    fprintf(stderr, "usage: e2e_driver JOBFILE\n");
    return 2;
  }
  Job job;
  std::string error;
  std::string report = read_job(argv[1], job, error) ? run(job, error) : "{";
  report += "\"error\": ";
  if (error.empty())
    report += "null";
  else
    e2e::json_string(report, std::wstring(error.begin(), error.end()));
  report += "}\n";
  if (job.report.empty() || !e2e::write_file(job.report, report, false)) {
    fprintf(stderr, "e2e_driver: %s\n", error.empty() ? "cannot write report" : error.c_str());
    return 2;
  }
  return error.empty() ? 0 : 1;
}
