#include "cli.h"

#include "branding_options.h"
#include "files.h"
#include "tavrin_version.h"

namespace brand {
namespace {

constexpr char usage[] =
    "usage: tavrin-brand [OPTIONS] INPUT OUTPUT\n"
    "Writes OUTPUT, a copy of the tavrin launcher INPUT with the application's icon and\n"
    "version details; INPUT is left as it is. Options not given keep what INPUT has.\n"
    "  --icon FILE.ico        the application's icon (BMP or PNG images, up to 256x256)\n"
    "  --name TEXT            ProductName\n"
    "  --description TEXT     FileDescription, which Task Manager shows (default: --name)\n"
    "  --vendor TEXT          CompanyName\n"
    "  --copyright TEXT       LegalCopyright\n"
    "  --app-version X[.Y[.Z[.W]]]  FileVersion and ProductVersion, numbers 0-65535\n"
    "  --execution-level asInvoker|highestAvailable|requireAdministrator\n"
    "  --app-user-model-id ID the AppUserModelID the program's windows are grouped and\n"
    "                         pinned under in the taskbar (up to 128 characters, no spaces)\n"
    "  --help, --version\n"
    "Brand the unsigned launcher, then sign OUTPUT.\n";

struct options {
  bool help = false, version = false;
  std::vector<std::string> files;
  branding_request request;
};

options parse(const std::vector<std::string>& args) {
  options o;
  for (size_t i = 0; i < args.size(); ++i) {
    const std::string& arg = args[i];
    if (arg == "--help" || arg == "--version") {
      (arg == "--help" ? o.help : o.version) = true;
      continue;
    }
    if (arg.size() < 2 || arg.compare(0, 2, "--") != 0) {
      o.files.push_back(arg);
      continue;
    }
    if (!is_branding_option(arg) && arg != "--execution-level")
      throw bad_input("unknown option " + arg + " (see --help)");
    if (i + 1 == args.size()) throw bad_input("option " + arg + " needs a value");
    const std::string& value = args[++i];
    if (arg != "--execution-level") {
      add_branding_option(&o.request, arg, value);
    } else if (value != "asInvoker" && value != "highestAvailable" &&
               value != "requireAdministrator") {
      throw bad_input(arg + " " + value +
                      ": is not asInvoker, highestAvailable or requireAdministrator");
    } else {
      o.request.b.execution_level = value;
    }
  }
  if (!o.help && !o.version && o.files.size() != 2)
    throw bad_input("expects INPUT and OUTPUT (see --help)");
  return o;
}

void brand_files(const options& o) {
  const std::string &input = o.files[0], &output = o.files[1];
  bytes image = read_file(input);
  branding b = branding_for(o.request, base_name(output));
  if (same_file(input, output))
    throw bad_input(output + ": is INPUT itself; write the branded copy under another name");
  write_file(output, about(input, [&] { return brand_image(image, b); }));
}

}  // namespace

cli_result run_cli(const std::vector<std::string>& args) {
  try {
    options o = parse(args);
    if (o.help) return {0, usage, ""};
    if (o.version) return {0, "tavrin-brand " TAVRIN_VERSION "\n", ""};
    brand_files(o);
    return {0, "", ""};
  } catch (const bad_input& e) {
    return {1, "", std::string("tavrin-brand: ") + e.what() + "\n"};
  }
}

}  // namespace brand
