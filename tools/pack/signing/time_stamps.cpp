#include "signing/time_stamps.h"

#include <algorithm>
#include <regex>
#include <set>

#include "host/host_process.h"
#include "host/refusal.h"
#include "host/shell_words.h"
#include "signing/signing_text.h"

namespace {

// A server that accepts the connection may never answer; a real one answers in seconds.
const std::chrono::seconds server_deadline(60);

// The servers that failed in this run, asked only after the others for the files that follow.
std::set<std::string> failed;

// Why a server gave no time stamp, from what osslsigncode said.
std::string server_failure(const program_result& r) {
  if (r.timed_out) return "no answer in " + std::to_string(server_deadline.count()) + " s";
  std::smatch http;
  if (std::regex_search(r.output, http, std::regex("code=([0-9]+), reason=([^\n]*)")))
    return "HTTP " + http[1].str() + " " + http[2].str();
  if (r.output.find("Failed to convert timestamp reply") != std::string::npos)
    return "a reply that is no time stamp";
  if (r.output.find("Connection refused") != std::string::npos) return "connection refused";
  return osslsigncode_said(r.output);
}

}  // namespace

void add_time_stamp(const std::vector<std::string>& urls, const std::filesystem::path& file,
                    const std::filesystem::path& made, bool verbose) {
  std::vector<std::string> order = urls;
  std::stable_partition(order.begin(), order.end(),
                        [](const std::string& url) { return !failed.count(url); });
  std::string failures;
  for (const std::string& url : order) {
    std::vector<std::string> argv{"osslsigncode", "add", "-ts",         url,    "-h",
                                  "sha256",       "-in", file.string(), "-out", made.string()};
    print_sign_command(verbose, shell_words(argv));
    program_result added = run_program(argv, nullptr, "", server_deadline);
    if (added.status == 0) {
      replace_signed(file, made);
      return;
    }
    std::error_code ignored;
    std::filesystem::remove(made, ignored);
    failed.insert(url);
    failures += (failures.empty() ? "" : ", ") + url + " (" + server_failure(added) + ")";
  }
  throw refusal("no time-stamping server answered: " + failures +
                "; check the URLs and the network");
}
