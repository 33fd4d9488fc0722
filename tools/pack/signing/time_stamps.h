// Time stamps from RFC 3161 servers, added to a signature with osslsigncode add: one server
// at a time, each under a deadline, as osslsigncode waits for an answer without one.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

// Asks the servers in order, those that failed before in this run last, until one stamps
// file's signature (made is osslsigncode's output,
// which then replaces file). Throws a refusal naming each server and why it failed: its
// HTTP status, a reply that is no time stamp, a refused connection, no answer in time.
void add_time_stamp(const std::vector<std::string>& urls, const std::filesystem::path& file,
                    const std::filesystem::path& made, bool verbose);
