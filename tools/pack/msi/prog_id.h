// The ProgID under which the installer registers a file type of the app.
#pragma once

#include <string>

// NAME.EXTENSION when that is a ProgID as Windows wants it: ASCII letters and digits with a
// dot between, a letter first, at most 39 characters. Otherwise the name's letters and digits
// (its leading digits left out, "App" when none is left), the extension's, and a hash of
// both, cut so that the whole holds 39: another extension, or another name, gives another
// ProgID.
std::string prog_id(const std::string& name, const std::string& extension);
