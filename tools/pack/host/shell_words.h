// Words written for a POSIX shell, for commands that pack prints or hands to sh -c.
#pragma once

#include <string>
#include <vector>

// The words joined by spaces, each as the shell reads it back: plain when it holds only
// characters the shell leaves alone, otherwise in single quotes.
std::string shell_words(const std::vector<std::string>& words);
