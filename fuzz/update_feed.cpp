// The update feed and the parameter file's update settings as the update program reads them:
// any bytes are refused or read, and a feed read holds only safe paths and a version.
#include <string>

#include "harness.h"
#include "update/feed.h"
#include "update/settings.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string text(reinterpret_cast<const char*>(data), size), signed_part, signature, problem;
  update::feed f;
  if (update::parse_feed(text, &f, &problem)) {
    for (const update::feed_file& file : f.files)
      fuzz::require(!update::path_problem(file.path), "every path read is safe");
    fuzz::require(update::compare_versions(f.version, f.version) == 0, "a version is itself");
  }
  if (update::split_signature(text, &signed_part, &signature))
    fuzz::require(signature.size() == 64, "a signature is 64 bytes");
  update::settings s;
  update::parse_settings(text, &s);
  return 0;
}
