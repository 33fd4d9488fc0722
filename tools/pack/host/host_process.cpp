#include "host/host_process.h"

#include <fcntl.h>
#include <poll.h>
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

using steady = std::chrono::steady_clock;

// A program is started and recorded under the lock, so that none starts once pack stops.
std::mutex starting;
bool stopped = false;
pid_t running = 0;

// Reads the program's output and writes its input, both as they become ready, so that an
// input larger than a pipe holds cannot block either side, until the output ends; past the
// deadline the program's group is killed and the output read to its end.
void exchange(int output, int input, const std::string* text, pid_t child,
              std::chrono::seconds deadline, program_result* result) {
  auto until = steady::now() + deadline;
  size_t written = 0;
  char buffer[4096];
  for (;;) {
    pollfd ends[2] = {{output, POLLIN, 0}, {input, POLLOUT, 0}};
    int wait = -1;
    if (deadline.count() > 0 && !result->timed_out) {
      auto left = std::chrono::duration_cast<std::chrono::milliseconds>(until - steady::now());
      wait = left.count() > 0 ? static_cast<int>(left.count()) : 0;
    }
    int ready = poll(ends, input >= 0 ? 2 : 1, wait);
    if (ready < 0 && errno != EINTR) break;
    if (ready == 0) {
      result->timed_out = true;
      kill(-child, SIGKILL);
      continue;
    }
    if (input >= 0 && ends[1].revents) {
      ssize_t n = ends[1].revents & POLLOUT
                      ? write(input, text->data() + written, text->size() - written)
                      : -1;
      if (n > 0) written += static_cast<size_t>(n);
      if (n < 0 && errno == EAGAIN) continue;
      if (n < 0 || written == text->size()) {
        close(input);
        input = -1;
      }
    }
    if (ends[0].revents) {
      ssize_t n = read(output, buffer, sizeof buffer);
      if (n > 0) {
        result->output.append(buffer, static_cast<size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        break;
      }
    }
  }
  if (input >= 0) close(input);
}

}  // namespace

void stop_running_program() {
  std::lock_guard<std::mutex> held(starting);
  stopped = true;
  if (running > 0) kill(-running, SIGTERM);
}

program_result run_program(const std::vector<std::string>& argv, const std::string* input,
                           const std::string& folder, std::chrono::seconds deadline) {
  // A program that stops reading its input must not end pack with SIGPIPE.
  static const bool pipe_errors_returned = signal(SIGPIPE, SIG_IGN) != SIG_ERR;
  (void)pipe_errors_returned;
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {-1, 0, "cannot make a pipe", false};
  int input_ends[2] = {-1, -1};
  if (input && pipe2(input_ends, O_CLOEXEC) != 0) {
    for (int end : pipe_ends) close(end);
    return {-1, 0, "cannot pass the input", false};
  }
  // Written only once the program runs, and never blocking: a program that stops reading
  // leaves the rest unwritten.
  if (input) fcntl(input_ends[1], F_SETFL, O_NONBLOCK);
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
  sigset_t none, pipe_signal;
  sigemptyset(&none);
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  posix_spawnattr_setsigmask(&attributes, &none);
  posix_spawnattr_setsigdefault(&attributes, &pipe_signal);
  posix_spawnattr_setpgroup(&attributes, 0);
  posix_spawnattr_setflags(&attributes,
                           POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETPGROUP);
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
  if (input) close(input_ends[0]);
  program_result result{-1, 0, started == 0 ? "" : std::strerror(started), false};
  if (started == 0) {
    exchange(pipe_ends[0], input ? input_ends[1] : -1, input, child, deadline, &result);
  } else if (input) {
    close(input_ends[1]);
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
