#include "signing/signing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <sstream>

#include "host/host_files.h"
#include "host/host_process.h"
#include "host/refusal.h"
#include "host/shell_words.h"
#include "pe_signature.h"
#include "signing/signature_check.h"
#include "signing/signer_certificate.h"

namespace {

using steady = std::chrono::steady_clock;

void print_command(const signing& s, const std::string& command) {
  if (!s.verbose) return;
  std::fputs(("sign command: " + command + "\n").c_str(), stdout);
  std::fflush(stdout);
}

// What a failed program said, on one line: its lines joined, osslsigncode's bare "Failed"
// and engine notices left out.
std::string said(const std::string& output) {
  std::istringstream lines(output);
  std::string line, text;
  while (std::getline(lines, line)) {
    if (line.empty() || line == "Failed" || line.compare(0, 8, "Engine \"") == 0) continue;
    text += (text.empty() ? "" : "; ") + line;
  }
  return text.empty() ? "no output" : text;
}

// The file that osslsigncode wrote takes the place of the original, with its permissions.
void replace(const fs::path& file, const fs::path& made) {
  fs::permissions(made, fs::status(file).permissions());
  fs::rename(made, file);
}

void sign_with_key(const signing& s, const fs::path& file, const std::string& shown,
                   const fs::path& made) {
  const signing_options& o = s.options;
  std::vector<std::string> argv{"osslsigncode", "sign"};
  if (!o.pkcs12.empty()) {
    argv.insert(argv.end(), {"-pkcs12", o.pkcs12});
  } else {
    argv.insert(argv.end(), {"-pkcs11module", o.pkcs11_module, "-certs", o.cert, "-key", o.key});
  }
  // The secret is osslsigncode's standard input, a pipe: never a command line, never a file.
  if (s.has_secret) argv.insert(argv.end(), {"-readpass", "/dev/stdin"});
  argv.insert(argv.end(), {"-h", "sha256", "-n", s.description});
  if (!s.url.empty()) argv.insert(argv.end(), {"-i", s.url});
  // The signing time is in the signed bytes; a time stamp makes them differ in any case.
  const char* epoch = std::getenv("SOURCE_DATE_EPOCH");
  if (epoch && *epoch && o.timestamp_urls.empty())
    argv.insert(argv.end(), {"-time", std::to_string(std::strtoll(epoch, nullptr, 10))});
  argv.insert(argv.end(), {"-in", file.string(), "-out", made.string()});
  print_command(s, shell_words(argv));
  program_result signed_file = run_program(argv, s.has_secret ? &s.secret : nullptr);
  if (signed_file.status == 0) return;
  const std::string& out = signed_file.output;
  std::string key = o.pkcs12.empty() ? o.key : o.pkcs12;
  if (out.find("mac verify failure") != out.npos || out.find("PIN incorrect") != out.npos) {
    throw refusal(o.password_env.empty()
                      ? key +
                            ": needs a password or PIN; name the variable that holds it with "
                            "--win-sign-password-env"
                      : "the password or PIN in " + o.password_env + " is wrong for " + key +
                            "; set " + o.password_env + " to the right one");
  }
  throw refusal("osslsigncode cannot sign " + shown + ": " + said(out));
}

void sign_with_command(const signing& s, const fs::path& file, const std::string& shown) {
  std::string command = s.options.command, quoted = shell_words({file.string()});
  for (size_t at = command.find("{}"); at != command.npos; at = command.find("{}", at)) {
    command.replace(at, 2, quoted);
    at += quoted.size();
  }
  print_command(s, command);
  program_result run = run_program({"sh", "-c", command});
  if (run.status != 0) {
    throw refusal("--win-sign-command " +
                  (run.status < 0 ? std::string("was stopped or did not start")
                                  : "exited with status " + std::to_string(run.status)) +
                  " on " + shown + ": " + said(run.output));
  }
}

// Asks the servers in order until one gives the signature a time stamp.
void stamp(const signing& s, const fs::path& file, const fs::path& made) {
  std::vector<std::string> argv{"osslsigncode", "add"};
  std::string urls;
  for (const std::string& url : s.options.timestamp_urls) {
    argv.insert(argv.end(), {"-ts", url});
    urls += (urls.empty() ? "" : ", ") + url;
  }
  argv.insert(argv.end(), {"-h", "sha256", "-in", file.string(), "-out", made.string()});
  print_command(s, shell_words(argv));
  if (run_program(argv).status != 0)
    throw refusal("no time-stamping server answered: " + urls + "; check the URLs and the network");
  replace(file, made);
}

// Signs file, shown by that name, stamps it and checks the signature.
void sign_one(const signing& s, const fs::path& file, const std::string& shown,
              const fs::path& scratch, const sign_progress& progress) {
  auto since = steady::now();
  fs::create_directories(scratch);
  fs::path made = scratch / "signed";
  if (s.options.command.empty()) {
    sign_with_key(s, file, shown, made);
    replace(file, made);
  } else {
    sign_with_command(s, file, shown);
  }
  if (!s.options.timestamp_urls.empty()) stamp(s, file, made);
  std::string problem = signature_problem(file);
  if (problem == "carries no signature" && !s.options.command.empty()) {
    throw refusal("--win-sign-command exited with 0 but left " + shown +
                  " unsigned; it must sign the file {} names in place");
  }
  if (!problem.empty()) throw refusal(shown + ", signed: " + problem);
  progress(shown, since);
}

// Windows would reject the signature of a certificate that is not for code signing, or
// that has expired; the signature of NAME.exe names it, whichever way the key was reached.
void check_certificate(const fs::path& exe) {
  std::string signature;
  signer_certificate c;
  read_pe_signature(read_host_file(exe), &signature);
  if (!read_signer_certificate(signature, &c))
    throw refusal(exe.filename().u8string() + ": its signature holds no readable certificate");
  if (!c.for_code_signing) {
    throw refusal("the certificate of " + c.name +
                  " is not for code signing (its extended key usage lacks Code Signing), so "
                  "Windows would reject the signature; sign with a code-signing certificate");
  }
  if (c.not_after < std::time(nullptr)) {
    throw refusal("the certificate of " + c.name + " expired on " + c.expiry +
                  ", so Windows would reject the signature; renew it");
  }
}

// The .exe and .dll files of the image but the launchers, in name order, links left out.
std::vector<fs::path> programs(const fs::path& image, const std::vector<std::string>& launchers) {
  std::vector<fs::path> found;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(image)) {
    std::string extension = e.path().extension().string();
    for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
    bool launcher = e.path().parent_path() == image &&
                    std::find(launchers.begin(), launchers.end(), e.path().filename().u8string()) !=
                        launchers.end();
    if (!e.is_symlink() && e.is_regular_file() && !launcher &&
        (extension == ".exe" || extension == ".dll"))
      found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

}  // namespace

signing prepare_signing(const signing_options& o, const std::string& description,
                        const std::string& url, bool verbose) {
  signing s{o, false, "", description, url, verbose};
  if (!signs(o)) return s;
  for (auto [option, path] :
       {std::pair<const char*, const std::string*>{"--win-sign-pkcs12", &o.pkcs12},
        {"--win-sign-pkcs11-module", &o.pkcs11_module},
        {"--win-sign-cert", &o.cert}}) {
    if (!path->empty() && !fs::is_regular_file(fs::u8path(*path)))
      throw refusal(std::string(option) + " " + *path + ": no such file");
  }
  if (find_on_path("osslsigncode").empty())
    throw refusal("signing needs osslsigncode: install Debian's osslsigncode");
  if (!o.password_env.empty()) {
    const char* secret = std::getenv(o.password_env.c_str());
    if (!secret) {
      throw refusal("--win-sign-password-env " + o.password_env + ": " + o.password_env +
                    " is not set; set it to the password or the token's PIN");
    }
    s.has_secret = true;
    s.secret = secret;
  }
  return s;
}

void sign_image(const signing& s, const fs::path& image, const std::vector<std::string>& launchers,
                const fs::path& scratch, const sign_progress& progress) {
  if (!signs(s.options)) return;
  for (const std::string& exe : launchers) {
    sign_one(s, image / fs::u8path(exe), exe, scratch, progress);
    if (&exe == &launchers.front()) check_certificate(image / fs::u8path(exe));
  }
  for (const fs::path& file : programs(image, launchers)) {
    auto since = steady::now();
    std::string shown = file.lexically_relative(image).u8string(), signature;
    std::replace(shown.begin(), shown.end(), '/', '\\');
    if (!read_pe_signature(read_host_file(file), &signature))
      throw refusal(shown + ": is no Windows program or DLL, so it cannot be signed");
    signer_certificate signer;
    if (signature.empty()) {
      sign_one(s, file, shown, scratch, progress);
    } else {
      progress(shown + " left as it is, signed by " +
                   (read_signer_certificate(signature, &signer) ? signer.name
                                                                : "an unreadable certificate"),
               since);
    }
  }
}

void sign_file(const signing& s, const fs::path& file, const fs::path& scratch,
               const sign_progress& progress) {
  if (signs(s.options)) sign_one(s, file, file.filename().u8string(), scratch, progress);
}
