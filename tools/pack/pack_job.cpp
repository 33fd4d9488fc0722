#include "pack_job.h"

#include "host/refusal.h"

std::string output_name(const job& j) {
  switch (j.o.type) {
    case output_type::zip:
    case output_type::msi:
      return j.o.name + "-" + j.o.app_version + "-windows-" + architecture_name(j.arch) +
             (j.o.type == output_type::zip ? ".zip" : ".msi");
    case output_type::app_image:
      break;
  }
  return j.o.name;
}

void refuse_existing(const job& j) {
  fs::path output = j.dest / fs::u8path(output_name(j));
  if (fs::exists(fs::symlink_status(output)))
    throw refusal(output.u8string() + ": exists already; pack replaces nothing");
}

void print(std::FILE* stream, const std::string& text) {
  std::fputs(text.c_str(), stream);
  std::fflush(stream);
}

void step(const std::string& name, const std::string& what, steady::time_point since) {
  double seconds = std::chrono::duration<double>(steady::now() - since).count();
  char time[32];
  std::snprintf(time, sizeof time, " (%.2f s)\n", seconds);
  print(stdout, name + ": " + what + time);
}

std::string count(size_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}
