// A Windows command line split into words as the started program's C runtime splits it.
#pragma once

#include <string>
#include <vector>

// White space separates words outside double quotes; 2n backslashes before a quote are n
// and the quote groups, 2n+1 are n and a literal quote; other backslashes are literal.
std::vector<std::u16string> command_words(const std::u16string& line);
