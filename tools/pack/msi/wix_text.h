// The text of a WiX source as wixl reads it: XML escaped for its preprocessor too, and the
// literal text of columns that Windows Installer formats.
#pragma once

#include <string>

// A text as an XML attribute value that wixl's preprocessor gives back unchanged: it drops
// one '$' of every run, and reads '$(' as a variable whatever precedes it, which is refused.
std::string xml(const std::string& text);

// A literal text in a column that Windows Installer formats, where [ ] { } are syntax.
std::string formatted(const std::string& text);

// name="value", with a space before it.
std::string attribute(const char* name, const std::string& value);

// <name attributes/>, or with content <name attributes>content</name>.
std::string element(const char* name, const std::string& attributes,
                    const std::string& content = "");
