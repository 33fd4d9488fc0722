// Signing what pack ships, inside out: NAME.exe, then every other program and DLL of the
// image (any PE file, whatever its name) that carries no valid signature, before the image
// is zipped or packed; the installer last. Keys are reached through Debian's osslsigncode (a
// PKCS#12 file, or a token through its PKCS#11 module) or the user's own command; every
// signature is checked afterwards, and every file must have one signer.
#pragma once

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "authenticode.h"
#include "options/signing_options.h"
#include "signing/secret.h"

namespace fs = std::filesystem;

struct signing {
  signing_options options;
  std::shared_ptr<const secret> password;  // the password or PIN; only ever written to a pipe
  std::string description, url;            // --name and --about-url, which Windows shows
  bool verbose = false;                    // print each osslsigncode command
  certificate_fields signer;  // the certificate that signs, once check_signing_key read it
};

// Called for each file signed or left as it was: what, and since when.
using sign_progress =
    std::function<void(const std::string& what, std::chrono::steady_clock::time_point since)>;

// What signing needs, checked before anything is built: the key file, module and chain
// exist, osslsigncode is installed, the password's variable is set, and then taken out of
// the environment. Throws a refusal.
signing prepare_signing(const signing_options& options, const std::string& description,
                        const std::string& url, bool verbose);

// Signs a copy of launcher (a program's bytes), named name, in scratch, to check the key,
// the certificate and the secret before anything is built, and keeps its signer in s.
// Refuses a certificate that Windows would reject: not for code signing, expired, not yet
// valid, or (with a key) whose chain does not reach a self-signed root among the
// certificates given. Returns warnings: an RSA key under 2048 bits, a certificate signed
// with SHA-1, or one that expires within 30 days while the signatures have no time stamp.
std::string check_signing_key(signing* s, const std::string& launcher, const std::string& name,
                              const fs::path& scratch);

// Signs the launchers (files of image, NAME.exe first), then every other PE file of the image
// without a signature, in name order. A valid signature is left as it is; one whose
// certificate expired without a time stamp is replaced by pack's; any other is refused.
// scratch is a folder beside the image for osslsigncode's output. Nothing without a way to
// sign. Throws a refusal naming the file and what to do.
void sign_image(const signing& s, const fs::path& image, const std::vector<std::string>& launchers,
                const fs::path& scratch, const sign_progress& progress);

// Signs one file, such as the installer, the same way; nothing without a way to sign.
void sign_file(const signing& s, const fs::path& file, const fs::path& scratch,
               const sign_progress& progress);
