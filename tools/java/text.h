// UTF-8 and UTF-16 for the check: the simulated machine's own conversion one way, and an
// encoder the other way (a lone surrogate becomes U+FFFD).
#pragma once

#include <string>
#include <string_view>
#include <vector>

std::u16string to_utf16(const std::string& utf8);
std::string to_utf8(const std::u16string& text);

// One line of the check's warnings: "warning: ", the text and a line end. Control
// characters in the text show as \xNN, so that a name read from a file cannot break the
// line or forge another.
std::string warning_line(const std::string& text);

// The lines of a text file (a manifest, a runtime's release file), split at CR LF, LF or
// CR, without their line ends. A last line without one is a line too.
std::vector<std::string_view> text_lines(std::string_view text);

// Whether two texts are equal when ASCII letters are compared in any case, as the JDK
// compares manifest names and attribute names.
bool equal_ignoring_case(std::string_view a, std::string_view b);
