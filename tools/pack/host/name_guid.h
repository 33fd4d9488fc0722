// The GUIDs of an installer: name-based UUIDs, so that the same names give the same codes on
// every build and every machine, in the text form that MSI tables hold.
#pragma once

#include <string>

// A UUID given with or without braces, in any case, in MSI's form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" (upper case); empty when text is no UUID.
std::string msi_guid(const std::string& text);

// The name-based UUID (RFC 4122 version 5: SHA-1) of name in a namespace given in MSI's form;
// in MSI's form.
std::string name_guid(const std::string& namespace_guid, const std::string& name);
