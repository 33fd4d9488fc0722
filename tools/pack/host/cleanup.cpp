#include "host/cleanup.h"

#include <pthread.h>
#include <signal.h>
#include <unistd.h>

#include <mutex>
#include <thread>
#include <vector>

#include "host/host_process.h"

namespace {

std::mutex lock;
std::vector<std::filesystem::path> paths;

sigset_t stopping() {
  sigset_t set;
  sigemptyset(&set);
  for (int signal : {SIGINT, SIGTERM, SIGHUP, SIGQUIT}) sigaddset(&set, signal);
  return set;
}

// Removes what was made, the lock held.
void remove_paths() {
  for (const std::filesystem::path& path : paths) {
    std::error_code ignored;
    std::filesystem::remove_all(path, ignored);
  }
  paths.clear();
}

}  // namespace

void remove_made_when_stopped() {
  sigset_t set = stopping();
  pthread_sigmask(SIG_BLOCK, &set, nullptr);
  std::thread([set] {
    int signal = 0;
    sigwait(&set, &signal);
    stop_running_program();
    // The lock is never let go: pack ends here, whatever its own thread was doing.
    lock.lock();
    remove_paths();
    static const char said[] = "tavrin-pack: stopped by a signal; what it had written is removed\n";
    ssize_t ignored = write(2, said, sizeof said - 1);
    (void)ignored;
    _exit(128 + signal);
  }).detach();
}

void made(const std::filesystem::path& path) {
  std::lock_guard<std::mutex> held(lock);
  paths.push_back(path);
}

void remove_made() {
  std::lock_guard<std::mutex> held(lock);
  remove_paths();
}

void keep_made() {
  std::lock_guard<std::mutex> held(lock);
  paths.clear();
}
