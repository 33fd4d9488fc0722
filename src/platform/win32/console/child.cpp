// The console launcher's child: it gets the launcher's standard input, output and error,
// whatever they are (console, file, pipe or NUL), and shares its console; the launcher
// waits through console events, which are the child's to act on, and then ends with the
// child's exit code. While the launcher waits, a job ties the child to it.
#include <windows.h>

#include "platform/os.h"
#include "platform/win32/launcher_string.h"
#include "platform/win32/update_hook.h"
#include "platform/win32/wide.h"

namespace os {
namespace {

// The job that holds the waited-for child and whatever it starts; null when there is none.
HANDLE job = nullptr;

// Windows before 8 gives consoles pseudo handles with the two low bits set. They are no
// kernel objects, so they cannot be listed for inheritance; a child that shares the
// console reaches them anyway.
bool is_console_pseudo_handle(HANDLE handle) {
  return (reinterpret_cast<uintptr_t>(handle) & 3) == 3;
}

// Marks the standard handles inheritable and lists each kernel handle once: the list
// restricts inheritance to exactly these, so nothing else the launcher holds or was
// handed (the log, its parent's inheritable handles) reaches the child. Returns how many.
DWORD list_standard_handles(const STARTUPINFOW& startup, HANDLE* listed) {
  DWORD count = 0;
  const HANDLE standard[] = {startup.hStdInput, startup.hStdOutput, startup.hStdError};
  for (HANDLE handle : standard) {
    if (!handle || handle == INVALID_HANDLE_VALUE || is_console_pseudo_handle(handle)) continue;
    bool seen = false;
    for (DWORD i = 0; i < count; ++i) seen = seen || listed[i] == handle;
    if (seen || !SetHandleInformation(handle, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT)) continue;
    listed[count++] = handle;
  }
  return count;
}

// A console child of a launcher that has no console would get a new console, and with it
// a window; CREATE_NO_WINDOW gives it a console without one. A launcher attached to any
// console lets the child share it, window or not, so that the console's Ctrl events reach
// it. GetConsoleProcessList fails only without a console; GetConsoleWindow() would not
// do, as it is null also for a console started with CREATE_NO_WINDOW, and has been for
// pseudo consoles (ConPTY) on some versions of Windows.
DWORD console_flags() {
  DWORD attached = 0;
  return GetConsoleProcessList(&attached, 1) ? 0 : CREATE_NO_WINDOW;
}

// A job that ends every process in it when its last handle closes: the launcher holds
// the only one, so a launcher that is killed (TerminateProcess) takes the child along
// instead of leaving it to hold the caller's pipes. Null on failure, with the last error.
HANDLE make_job() {
  HANDLE made = CreateJobObjectW(nullptr, nullptr);
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
  limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
  if (made &&
      !SetInformationJobObject(made, JobObjectExtendedLimitInformation, &limits, sizeof limits)) {
    DWORD error = GetLastError();
    CloseHandle(made);
    SetLastError(error);
    return nullptr;
  }
  return made;
}

// While the launcher waits, the console's events go to the child as well, which decides
// (Java runs its shutdown hooks). The launcher stays, to pass the child's exit code on.
// A handler rather than SetConsoleCtrlHandler(NULL, TRUE), which children would inherit.
BOOL WINAPI leave_to_child(DWORD event) {
  if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) return TRUE;
  // Closing the console, logging off, shutting down: the system ends the process as soon
  // as a handler returns, so this one never does; the waiting thread exits once the
  // child has ended.
  Sleep(INFINITE);
  return TRUE;
}

}  // namespace

bool start_process(char16_t* command, bool wait, process* started) {
  // Set before the child exists: a Ctrl+C between its start and the wait would otherwise
  // end the launcher alone and leave the child writing to the console.
  SetConsoleCtrlHandler(leave_to_child, TRUE);
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = SW_SHOWNORMAL;
  startup.StartupInfo.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
  startup.StartupInfo.hStdOutput = GetStdHandle(STD_OUTPUT_HANDLE);
  startup.StartupInfo.hStdError = GetStdHandle(STD_ERROR_HANDLE);
  wchar_t app_id[129];
  set_app_user_model_id(&startup.StartupInfo, app_id);
  HANDLE listed[3];
  DWORD count = list_standard_handles(startup.StartupInfo, listed);

  // Room for a list of one attribute, whose size the system tells.
  alignas(8) unsigned char attributes[256];
  SIZE_T size = sizeof attributes;
  DWORD flags = console_flags();
  if (count) {
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    if (!InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) ||
        !UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   listed, count * sizeof(HANDLE), nullptr, nullptr)) {
      return false;
    }
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  // With start the child outlives the launcher, so only a waited-for child gets a job.
  // It joins before it runs, so that nothing it starts can escape the job.
  started->job_error = 0;
  if (wait) job = make_job();
  if (wait && !job) started->job_error = GetLastError();
  if (job) flags |= CREATE_SUSPENDED;
  PROCESS_INFORMATION info{};
  BOOL created = CreateProcessW(nullptr, wide(command), nullptr, nullptr, count != 0, flags,
                                nullptr, nullptr, &startup.StartupInfo, &info);
  DWORD error = GetLastError();
  if (count) DeleteProcThreadAttributeList(startup.lpAttributeList);
  if (!created) {
    SetLastError(error);
    return false;
  }
  if (job && !AssignProcessToJobObject(job, info.hProcess)) {
    started->job_error = GetLastError();
    CloseHandle(job);
    job = nullptr;
  }
  if (flags & CREATE_SUSPENDED) ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  after_program_start(wide(command));
  started->id = info.dwProcessId;
  started->handle = info.hProcess;
  return true;
}

void wait_process(const process& started) {
  if (WaitForSingleObject(started.handle, check_delay_ms) == WAIT_TIMEOUT) start_due_check();
  WaitForSingleObject(started.handle, INFINITE);
  if (!job) return;
  // The child has ended; what it left running outlives the launcher, as without the job.
  JOBOBJECT_EXTENDED_LIMIT_INFORMATION no_limits{};
  SetInformationJobObject(job, JobObjectExtendedLimitInformation, &no_limits, sizeof no_limits);
}

int exit_code_after_wait(const process& ended) {
  DWORD code = 0;
  // With the child ended and its handle open, the query cannot fail; should it, the
  // launcher must not report success it never saw.
  if (!GetExitCodeProcess(ended.handle, &code)) return 2;
  return static_cast<int>(code);
}

}  // namespace os
