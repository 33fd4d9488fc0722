// The user's own sign command (--win-sign-command), run by sh once per file: the file's path
// reaches it as sh's first argument, never as part of the command's text, and whatever it
// changes besides that file is caught.
#pragma once

#include <filesystem>
#include <string>

// The command with each {} standing for "$1" as its quoting needs it: "$1" outside quotes,
// $1 inside double quotes, '"$1"' (closing and reopening them) inside single quotes.
std::string command_taking_file(const std::string& command);

// Runs the command on file (its path made absolute), shown by that name, under sh with its
// own environment (pack's, which holds no secret of pack's), under a deadline. Refuses a
// command that fails, and one that changed anything in watched (a folder holding file) but
// the file itself: a file added, removed or written.
void run_sign_command(const std::string& command, const std::filesystem::path& file,
                      const std::string& shown, const std::filesystem::path& watched, bool verbose);
