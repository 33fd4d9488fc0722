// A word written so that the launcher's splitter reads it back exactly, in a command line
// or in a parameter file.
#pragma once

#include <string>

// The word bare when the splitter keeps it whole; otherwise in double quotes by the
// launcher's own quoting: when it is empty, holds white space (space, tab, CR, LF) or a
// double quote, ends in a backslash or starts a comment (#). An empty word reads back
// only when white space follows it.
std::u16string splitter_word(const std::u16string& word);
