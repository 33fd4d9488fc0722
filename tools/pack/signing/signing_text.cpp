#include "signing/signing_text.h"

#include <cstdio>
#include <sstream>

void print_sign_command(bool verbose, const std::string& command) {
  if (!verbose) return;
  std::fputs(("sign command: " + command + "\n").c_str(), stdout);
  std::fflush(stdout);
}

std::string osslsigncode_said(const std::string& output) {
  std::istringstream lines(output);
  std::string line, text;
  while (std::getline(lines, line)) {
    if (line.empty() || line == "Failed" || line.compare(0, 8, "Engine \"") == 0) continue;
    text += (text.empty() ? "" : "; ") + line;
  }
  return text.empty() ? "no output" : text;
}

void replace_signed(const std::filesystem::path& file, const std::filesystem::path& made) {
  std::filesystem::permissions(made, std::filesystem::status(file).permissions());
  std::filesystem::rename(made, file);
}
