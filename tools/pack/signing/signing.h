// Signing what pack ships, inside out: NAME.exe, then every other program and DLL of the
// image that carries no signature, before the image is zipped or packed; the installer
// last. Keys are reached through Debian's osslsigncode (a PKCS#12 file, or a token through
// its PKCS#11 module) or the user's own command; every signature is checked afterwards.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "options/signing_options.h"

namespace fs = std::filesystem;

struct signing {
  signing_options options;
  bool has_secret = false;
  std::string secret;            // the password or PIN; only ever written to a pipe
  std::string description, url;  // --name and --about-url, which Windows shows
  bool verbose = false;          // print each osslsigncode command
};

// Called for each file signed or left as it was: what, and since when.
using sign_progress =
    std::function<void(const std::string& what, std::chrono::steady_clock::time_point since)>;

// What signing needs, checked before anything is built: the key file, module and chain
// exist, osslsigncode is installed, the password's variable is set. Throws a refusal.
signing prepare_signing(const signing_options& options, const std::string& description,
                        const std::string& url, bool verbose);

// Signs the launchers (files of image, NAME.exe first, whose certificate is then checked),
// then every other .exe and .dll of the image without a signature, in name order, leaving
// signed ones as they are. scratch is a folder beside the image for osslsigncode's output.
// Nothing without a way to sign. Throws a refusal naming the file and what to do.
void sign_image(const signing& s, const fs::path& image, const std::vector<std::string>& launchers,
                const fs::path& scratch, const sign_progress& progress);

// Signs one file, such as the installer, the same way; nothing without a way to sign.
void sign_file(const signing& s, const fs::path& file, const fs::path& scratch,
               const sign_progress& progress);
