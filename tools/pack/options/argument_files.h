// Options read from files, as java reads its @argfiles: every argument @FILE stands for the
// words of that file, split at white space, where '...' or "..." keeps white space in a word
// (a backslash there escapes the next character: \n, \r, \t, \f or itself, and before a line
// end joins the lines, leaving out the white space that starts the next), and # outside
// quotes starts a comment to the end of the line. A leading UTF-8 byte order mark is skipped;
// @@x is the word @x.
#pragma once

#include <string>
#include <vector>

// Appends the words of text, split as a file of options is; false when a quote is left open.
// Each word in which an escape made a control character goes to *controlled too, as the
// text that gave it, when controlled is given.
bool split_option_words(const std::string& text, std::vector<std::string>* words,
                        std::vector<std::string>* controlled = nullptr);

// The arguments with each @FILE replaced by its words; a file's own @ words stay as they
// are. False with *problem set when a file cannot be read (a folder among them) or a quote
// is never closed. Adds a warning line to *warnings for each word that an escape gave a
// control character, showing it as it will be used.
bool expand_argument_files(const std::vector<std::string>& args, std::vector<std::string>* out,
                           std::string* problem, std::string* warnings);
