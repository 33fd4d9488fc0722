// jpackage's properties files (--file-associations, --add-launcher), in the format of
// java.util.Properties: key=value, key:value or key value a line, # and ! comments, a
// backslash at the end continuing the line, and \t \n \r \f \uXXXX escapes; text in UTF-8.
#pragma once

#include <map>
#include <string>

// The keys and values of the file, the last of a key kept. False with *problem set (naming
// the file) when it cannot be read.
bool read_properties(const std::string& path, std::map<std::string, std::string>* out,
                     std::string* problem);
