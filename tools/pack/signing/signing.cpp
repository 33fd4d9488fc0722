#include "signing/signing.h"

#include <algorithm>
#include <ctime>
#include <fstream>

#include "der.h"
#include "host/host_files.h"
#include "host/host_process.h"
#include "host/refusal.h"
#include "host/shell_words.h"
#include "host/source_date_epoch.h"
#include "pe_signature.h"
#include "signature_validity.h"
#include "signing/sign_command.h"
#include "signing/signature_check.h"
#include "signing/signing_text.h"
#include "signing/time_stamps.h"
#include "text.h"

namespace {

using steady = std::chrono::steady_clock;

// A token may wait on its reader, but not forever.
const std::chrono::seconds sign_deadline(600);

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
  if (s.password) argv.insert(argv.end(), {"-readpass", "/dev/stdin"});
  argv.insert(argv.end(), {"-h", "sha256", "-n", s.description});
  if (!s.url.empty()) argv.insert(argv.end(), {"-i", s.url});
  // An installer's signature then covers its streams' metadata too, as Windows checks it.
  if (file.extension() == ".msi") argv.push_back("-add-msi-dse");
  // The signing time is in the signed bytes; a time stamp makes them differ in any case.
  int64_t epoch;
  if (source_date_epoch(&epoch) && o.timestamp_urls.empty())
    argv.insert(argv.end(), {"-time", std::to_string(epoch)});
  argv.insert(argv.end(), {"-in", file.string(), "-out", made.string()});
  print_sign_command(s.verbose, shell_words(argv));
  program_result signed_file =
      run_program(argv, s.password ? &s.password->text : nullptr, "", sign_deadline);
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
  if (out.find("object not found") != out.npos ||
      out.find("No matching initialized token") != out.npos)
    throw refusal("--win-sign-key " + key +
                  ": no such object in the token; p11tool --list-all --login lists what it holds");
  if (out.find("key values mismatch") != out.npos)
    throw refusal("--win-sign-cert " + o.cert + ": the certificate is not the key's (" + key +
                  "); give the chain whose first certificate is that key's");
  throw refusal(signed_file.timed_out
                    ? "osslsigncode did not finish signing " + shown + " in " +
                          std::to_string(sign_deadline.count()) + " s"
                    : "osslsigncode cannot sign " + shown + ": " + osslsigncode_said(out));
}

// The signature a file carries: a program's from its certificate table, another's (an
// installer's) through osslsigncode. Empty when there is none.
std::string signature_of(const fs::path& file, const fs::path& scratch) {
  std::string bytes = read_host_file(file), signature;
  if (read_pe_signature(bytes, &signature)) return signature;
  fs::path extracted = scratch / "signature";
  program_result r = run_program(
      {"osslsigncode", "extract-signature", "-in", file.string(), "-out", extracted.string()},
      nullptr, "", std::chrono::seconds(60));
  signature = r.status == 0 ? read_host_file(extracted) : "";
  fs::remove(extracted);
  return signature;
}

// Signs file, shown by that name, stamps it unless told not to, and checks the signature:
// its digests, and its signer, which must be s.signer once that is known.
authenticode sign_one(const signing& s, const fs::path& file, const std::string& shown,
                      const fs::path& scratch, const fs::path& watched, bool stamp) {
  fs::create_directories(scratch);
  fs::path made = scratch / "signed";
  if (s.options.command.empty()) {
    sign_with_key(s, file, shown, made);
    replace_signed(file, made);
  } else {
    run_sign_command(s.options.command, file, shown, watched, s.verbose);
  }
  if (stamp && !s.options.timestamp_urls.empty())
    add_time_stamp(s.options.timestamp_urls, file, made, s.verbose);
  std::string problem = signature_problem(file);
  if (problem == "carries no signature" && !s.options.command.empty()) {
    throw refusal("--win-sign-command exited with 0 but left " + shown +
                  " unsigned; it must sign the file {} names in place");
  }
  if (!problem.empty()) throw refusal(shown + ", signed: " + problem);
  authenticode made_signature;
  if (!read_authenticode(signature_of(file, scratch), &made_signature))
    throw refusal(shown + ", signed: its signature holds no readable certificate");
  const certificate_fields& c = made_signature.signer;
  if (!s.signer.whole.empty() && c.whole != s.signer.whole) {
    throw refusal(shown + " is signed by the certificate of " + c.name + ", the others by " +
                  s.signer.name +
                  "'s; --win-sign-command must sign every file with one "
                  "certificate");
  }
  return made_signature;
}

// Whether the certificates reach a self-signed root from the signer's, issuer by subject;
// else the name of the first issuer missing.
bool reaches_root(const authenticode& a, std::string* missing) {
  const certificate_fields* at = &a.signer;
  for (size_t hops = 0; at->subject != at->issuer; ++hops) {
    auto issuer =
        std::find_if(a.certificates.begin(), a.certificates.end(),
                     [&](const certificate_fields& c) { return c.subject == at->issuer; });
    if (issuer == a.certificates.end() || hops > a.certificates.size()) {
      *missing = at->issuer_name;
      return false;
    }
    at = &*issuer;
  }
  return true;
}

// Refuses a certificate that Windows would reject; returns the warnings on a weak one.
std::string judge_certificate(const signing& s, const authenticode& a) {
  const certificate_fields& c = a.signer;
  if (!c.for_code_signing) {
    throw refusal("the certificate of " + c.name +
                  " is not for code signing (its extended key usage lacks Code Signing), so "
                  "Windows would reject the signature; sign with a code-signing certificate");
  }
  int64_t now = std::time(nullptr);
  if (c.not_after < now) {
    throw refusal("the certificate of " + c.name + " expired on " + utc_text(c.not_after) +
                  ", so Windows would reject the signature; renew it");
  }
  if (c.not_before > now) {
    throw refusal("the certificate of " + c.name + " is not valid before " +
                  utc_text(c.not_before) +
                  ", so Windows would reject the signature until then; sign with a certificate "
                  "that is valid now");
  }
  std::string missing,
      given = s.options.pkcs12.empty() ? "--win-sign-cert " + s.options.cert : "the PKCS#12 file";
  if (s.options.command.empty() && !reaches_root(a, &missing)) {
    throw refusal("the certificate chain of " + c.name + " stops short of its root: " + given +
                  " lacks the certificate of " + missing +
                  "; give every certificate up to the self-signed root");
  }
  std::string warnings;
  if (c.rsa_bits && c.rsa_bits < 2048) {
    warnings += warning_line("the certificate of " + c.name + " has an RSA key of " +
                             std::to_string(c.rsa_bits) +
                             " bits, which Windows and the CAs no longer trust; use 2048 or more");
  }
  if (c.sha1_signed) {
    warnings += warning_line("the certificate of " + c.name +
                             " is signed with SHA-1, which Windows no longer trusts for code "
                             "signing; get one signed with SHA-256");
  }
  bool stamped = !s.options.timestamp_urls.empty() || a.stamped;
  if (!stamped && c.not_after - now < 30 * 86400) {
    warnings +=
        warning_line("the certificate of " + c.name + " expires on " + utc_text(c.not_after) +
                     " and the signatures have no time stamp, so Windows will treat the "
                     "files as unsigned from then on; add --win-sign-timestamp");
  }
  return warnings;
}

// Whether a file starts as a DOS or PE program does.
bool starts_as_program(const fs::path& file) {
  char head[2] = {};
  std::ifstream in(file, std::ios::binary);
  return in.read(head, 2) && head[0] == 'M' && head[1] == 'Z';
}

// The files of the image but the launchers, in name order, links left out.
std::vector<fs::path> image_files(const fs::path& image,
                                  const std::vector<std::string>& launchers) {
  std::vector<fs::path> found;
  for (const fs::directory_entry& e : fs::recursive_directory_iterator(image)) {
    bool launcher = e.path().parent_path() == image &&
                    std::find(launchers.begin(), launchers.end(), e.path().filename().u8string()) !=
                        launchers.end();
    if (!e.is_symlink() && e.is_regular_file() && !launcher) found.push_back(e.path());
  }
  std::sort(found.begin(), found.end());
  return found;
}

// Whether the name ends in .exe or .dll, in any case, which Windows takes for a program.
bool named_as_program(const fs::path& file) {
  std::string extension = file.extension().string();
  for (char& c : extension) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c + 32 : c);
  return extension == ".exe" || extension == ".dll";
}

}  // namespace

signing prepare_signing(const signing_options& o, const std::string& description,
                        const std::string& url, bool verbose) {
  signing s{o, nullptr, description, url, verbose, {}};
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
  if (!o.password_env.empty()) s.password = take_secret(o.password_env);
  return s;
}

std::string check_signing_key(signing* s, const std::string& launcher, const std::string& name,
                              const fs::path& scratch) {
  if (!signs(s->options)) return "";
  fs::path trial = scratch / "trial";
  fs::create_directories(trial);
  write_host_file(trial / fs::u8path(name), launcher);
  authenticode a =
      sign_one(*s, trial / fs::u8path(name), "a trial copy of " + name, scratch, trial, false);
  std::string warnings = judge_certificate(*s, a);
  s->signer = a.signer;
  fs::remove_all(trial);
  return warnings;
}

void sign_image(const signing& s, const fs::path& image, const std::vector<std::string>& launchers,
                const fs::path& scratch, const sign_progress& progress) {
  if (!signs(s.options)) return;
  for (const std::string& exe : launchers) {
    auto since = steady::now();
    sign_one(s, image / fs::u8path(exe), exe, scratch, image, true);
    progress(exe, since);
  }
  for (const fs::path& file : image_files(image, launchers)) {
    auto since = steady::now();
    std::string shown = file.lexically_relative(image).u8string();
    std::replace(shown.begin(), shown.end(), '/', '\\');
    pe_layout layout;
    std::string bytes = starts_as_program(file) ? read_host_file(file) : "";
    if (!read_pe_layout(bytes, &layout)) {
      if (named_as_program(file))
        throw refusal(shown + ": is no Windows program or DLL, so it cannot be signed");
      continue;
    }
    signature_judgement j = judge_signature(bytes, std::time(nullptr));
    if (j.state == signature_state::valid) {
      progress(shown + " left as it is, signed by " + j.contents.signer.name, since);
      continue;
    }
    if (j.state == signature_state::invalid && !j.expired_unstamped) {
      throw refusal(shown + ": its signature is invalid (" + j.problem +
                    "), and Windows treats an invalid signature as worse than none; replace it "
                    "with an intact copy");
    }
    if (j.expired_unstamped) {
      // Worth no more than none: the file is signed anew, as an unsigned one is.
      fs::create_directories(scratch);
      program_result removed = run_program({"osslsigncode", "remove-signature", "-in",
                                            file.string(), "-out", (scratch / "signed").string()},
                                           nullptr, "", std::chrono::seconds(60));
      if (removed.status != 0)
        throw refusal("osslsigncode cannot remove the signature of " + shown + ": " +
                      osslsigncode_said(removed.output));
      replace_signed(file, scratch / "signed");
    }
    sign_one(s, file, shown, scratch, image, true);
    progress(j.expired_unstamped ? shown + " re-signed, as " + j.problem : shown, since);
  }
}

void sign_file(const signing& s, const fs::path& file, const fs::path& scratch,
               const sign_progress& progress) {
  if (!signs(s.options)) return;
  auto since = steady::now();
  sign_one(s, file, file.filename().u8string(), scratch, file.parent_path(), true);
  progress(file.filename().u8string(), since);
}
