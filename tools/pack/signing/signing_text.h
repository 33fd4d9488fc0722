// What the signing steps share: how they print a command, read osslsigncode's failures and
// put a signed file in place of the original.
#pragma once

#include <filesystem>
#include <string>

// Prints the command when verbose, as --verbose asks.
void print_sign_command(bool verbose, const std::string& command);

// What a failed osslsigncode said, on one line: its lines joined, its bare "Failed" and
// engine notices left out.
std::string osslsigncode_said(const std::string& output);

// The file that osslsigncode wrote takes the place of the original, with its permissions.
void replace_signed(const std::filesystem::path& file, const std::filesystem::path& made);
