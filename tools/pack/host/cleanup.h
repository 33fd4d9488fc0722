// What pack has made, removed when it does not finish: when it refuses, and when SIGINT,
// SIGTERM, SIGHUP or SIGQUIT stop it, also while a program it started runs.
#pragma once

#include <filesystem>

// Blocks those signals in this thread and every thread and program started from it, and
// waits for them in a thread of its own, which stops the program pack waits for, removes
// what was made and ends pack with status 128 + the signal.
void remove_made_when_stopped();

// Records path as made by pack: removed with all it holds unless pack finishes.
void made(const std::filesystem::path& path);

// Removes what was made, and forgets it.
void remove_made();

// Pack has finished: what it made stays.
void keep_made();
