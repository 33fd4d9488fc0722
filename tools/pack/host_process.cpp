#include "host_process.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

extern char** environ;

program_result run_program(const std::vector<std::string>& argv, const std::string* input) {
  std::vector<char*> args;
  for (const std::string& arg : argv) args.push_back(const_cast<char*>(arg.c_str()));
  args.push_back(nullptr);
  int pipe_ends[2];
  if (pipe2(pipe_ends, O_CLOEXEC) != 0) return {-1, "cannot make a pipe"};
  int input_ends[2] = {-1, -1};
  if (input) {
    // Within the pipe's buffer, written whole before the child starts.
    bool passed =
        pipe2(input_ends, O_CLOEXEC) == 0 &&
        write(input_ends[1], input->data(), input->size()) == static_cast<ssize_t>(input->size());
    close(input_ends[1]);
    if (!passed) {
      for (int end : {input_ends[0], pipe_ends[0], pipe_ends[1]}) close(end);
      return {-1, "cannot pass the input"};
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
  pid_t child;
  int started = posix_spawnp(&child, args[0], &actions, nullptr, args.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  close(pipe_ends[1]);
  if (input_ends[0] >= 0) close(input_ends[0]);
  program_result result{-1, ""};
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
  if (started == 0 && waitpid(child, &status, 0) == child && WIFEXITED(status))
    result.status = WEXITSTATUS(status);
  return result;
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
