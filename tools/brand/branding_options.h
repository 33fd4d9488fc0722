// The branding options that tavrin-brand and tavrin-pack share, read the same way by both:
// --icon, --name, --description, --vendor, --copyright, --app-version and
// --app-user-model-id.
#pragma once

#include <string>

#include "brand.h"

namespace brand {

struct branding_request {
  std::string icon_file;   // empty: keep the launcher's icon
  branding b;              // the texts and version numbers given so far
  bool described = false;  // --description was given, so --name leaves FileDescription alone
};

// Whether option is one of the shared branding options, each of which takes a value.
bool is_branding_option(const std::string& option);

// Records one option and its value; throws bad_input naming the option when the value is
// not valid UTF-8 or not a version of one to four numbers up to 65535.
void add_branding_option(branding_request* request, const std::string& option,
                         const std::string& value);

// The branding for a copy written as output_name (a file name, which becomes
// OriginalFilename, and its stem InternalName), with the icon file read; throws bad_input
// naming the icon file or the name.
branding branding_for(const branding_request& request, const std::string& output_name);

}  // namespace brand
