#include "platform/win32/child_start.h"

#include "platform/win32/launcher_string.h"
#include "platform/win32/wide.h"

namespace {

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

}  // namespace

bool start_child(char16_t* command, const child_handles& handles, DWORD flags, bool in_job,
                 HANDLE* job, os::process* started) {
  STARTUPINFOEXW startup{};
  startup.StartupInfo.cb = sizeof startup;
  startup.StartupInfo.dwFlags = STARTF_USESHOWWINDOW | STARTF_USESTDHANDLES;
  startup.StartupInfo.wShowWindow = SW_SHOWNORMAL;
  startup.StartupInfo.hStdInput = handles.input;
  startup.StartupInfo.hStdOutput = handles.output;
  startup.StartupInfo.hStdError = handles.error;
  wchar_t app_id[129];
  set_app_user_model_id(&startup.StartupInfo, app_id);
  HANDLE listed[3];
  DWORD count = list_standard_handles(startup.StartupInfo, listed);

  // Room for a list of one attribute, whose size the system tells.
  alignas(8) unsigned char attributes[256];
  SIZE_T size = sizeof attributes;
  if (count) {
    startup.lpAttributeList = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(attributes);
    if (!InitializeProcThreadAttributeList(startup.lpAttributeList, 1, 0, &size) ||
        !UpdateProcThreadAttribute(startup.lpAttributeList, 0, PROC_THREAD_ATTRIBUTE_HANDLE_LIST,
                                   listed, count * sizeof(HANDLE), nullptr, nullptr)) {
      return false;
    }
    flags |= EXTENDED_STARTUPINFO_PRESENT;
  }
  // The child joins before it runs, so that nothing it starts can escape the job.
  started->job_error = 0;
  *job = in_job ? make_job() : nullptr;
  if (in_job && !*job) started->job_error = GetLastError();
  if (*job) flags |= CREATE_SUSPENDED;
  PROCESS_INFORMATION info{};
  BOOL created = CreateProcessW(nullptr, wide(command), nullptr, nullptr, count != 0, flags,
                                nullptr, nullptr, &startup.StartupInfo, &info);
  DWORD error = GetLastError();
  if (count) DeleteProcThreadAttributeList(startup.lpAttributeList);
  if (!created) {
    if (*job) CloseHandle(*job);
    *job = nullptr;
    SetLastError(error);
    return false;
  }
  if (*job && !AssignProcessToJobObject(*job, info.hProcess)) {
    started->job_error = GetLastError();
    CloseHandle(*job);
    *job = nullptr;
  }
  if (flags & CREATE_SUSPENDED) ResumeThread(info.hThread);
  CloseHandle(info.hThread);
  started->id = info.dwProcessId;
  started->handle = info.hProcess;
  return true;
}
