// Text written where a person reads it: a console, or a file or pipe.
#pragma once

#include <windows.h>

// Writes the text and a line end to the handle, line feeds made CR LF: to a console as
// UTF-16 through the console itself, so that every character shows, to anything else as
// UTF-8. A text longer than 8,190 units, the added CRs counted, is cut. Returns the bytes
// written to a file or pipe; 0 for a console, or when nothing could be written.
DWORD write_text_line(HANDLE handle, const char16_t* text);
