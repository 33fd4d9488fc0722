// Options read from files, as jpackage's @FILE gives them: every argument @FILE stands for the
// words of that file, split at white space, where '...' or "..." keeps white space in a word
// (a backslash there escapes the next character: \n, \t or itself), and # outside quotes
// starts a comment to the end of the line.
#pragma once

#include <string>
#include <vector>

// Appends the words of text, split as a file of options is; false when a quote is left open.
bool split_option_words(const std::string& text, std::vector<std::string>* words);

// The arguments with each @FILE replaced by its words; a file's own @ words stay as they
// are. False with *problem set when a file cannot be read or a quote is never closed.
bool expand_argument_files(const std::vector<std::string>& args, std::vector<std::string>* out,
                           std::string* problem);
