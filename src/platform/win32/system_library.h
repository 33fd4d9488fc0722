// Functions of system DLLs that the launcher needs only now and then. Loading them on
// first use keeps them out of every start that does not need them.
#pragma once

// The address of a function of a DLL from the system directory, or null (GetLastError
// tells why).
void* system_function(const wchar_t* dll, const char* function);
