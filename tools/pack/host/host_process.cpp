#include "host/host_process.h"

#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <mutex>

extern char** environ;

namespace {

// A program is started and recorded under the lock, so that none starts once pack stops.
std::mutex starting;
bool stopped = false;
pid_t running = 0;

}  // namespace

void stop_running_program() {
  std::lock_guard<std::mutex> held(starting);
  stopped = true;
  if (running > 0) kill(-running, SIGTERM);
}

program_result run_program(const std::vector<std::string>& argv, const std::string* input,
                           const std::string& folder) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {-1, 0, "cannot make a pipe"};
  int input_ends[2] = {-1, -1};
  if (input) {
    // Within the pipe's buffer, written whole before the child starts.
    bool passed =
        pipe2(input_ends, O_CLOEXEC) == 0 &&
        write(input_ends[1], input->data(), input->size()) == static_cast<ssize_t>(input->size());
    close(input_ends[1]);
    if (!passed) {
      for (int end : {input_ends[0], pipe_ends[0], pipe_ends[1]}) close(end);
      return {-1, 0, "cannot pass the input"};
    }
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  if (input) {
    posix_spawn_file_actions_adddup2(&actions, input_ends[0], 0);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 1);
  posix_spawn_file_actions_adddup2(&actions, pipe_ends[1], 2);
  if (!folder.empty()) posix_spawn_file_actions_addchdir_np(&actions, folder.c_str());
  // Its own group, so that a stopped pack can end it with whatever it started; pack blocks
  // the signals that stop it, which the program must not inherit.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t none;
  sigemptyset(&none);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETPGROUP);
  pid_t child;
  int started = ECANCELED;
  {
    std::lock_guard<std::mutex> held(starting);
    if (!stopped)
      started = posix_spawnp(&child, args[0], &actions, &attributes, args.data(), environ);
    if (started == 0) running = child;
  }
  posix_spawnattr_destroy(&attributes);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (input_ends[0] >= 0) close(input_ends[0]);
  program_result result{-1, 0, started == 0 ? "" : std::strerror(started)};
  char buffer[4096];
  while (started == 0) {
    ssize_t n = read(pipe_ends[0], buffer, sizeof buffer);
    if (n > 0) {
      result.output.append(buffer, static_cast<size_t>(n));
    } else if (n == 0 || errno != EINTR) {
      break;
    }
  }
  close(pipe_ends[0]);
  int status = 0;
  if (started == 0 && waitpid(child, &status, 0) == child) {
    if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
    if (WIFSIGNALED(status)) result.signal = WTERMSIG(status);
  }
  std::lock_guard<std::mutex> held(starting);
  running = 0;
  return result;
}

std::string program_failure(const std::string& name, const program_result& result) {
  std::string output = result.output;
  while (!output.empty() && (output.back() == '\n' || output.back() == '\r')) output.pop_back();
  std::string what = result.signal ? "crashed (signal " + std::to_string(result.signal) + ", " +
                                         strsignal(result.signal) + ")"
                     : result.status < 0
                         ? "cannot be started"
                         : "failed (exit status " + std::to_string(result.status) + ")";
  return name + " " + what + (output.empty() ? "" : ": " + output);
}

std::string find_on_path(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string folders = path ? path : "";
  for (size_t at = 0; at <= folders.size();) {
    size_t end = folders.find(':', at);
    if (end == std::string::npos) end = folders.size();
    std::string candidate = (end > at ? folders.substr(at, end - at) : ".") + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    at = end + 1;
  }
  return "";
}
