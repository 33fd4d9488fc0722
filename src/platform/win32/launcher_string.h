// The launcher's own string resources, read in place from its mapped image.
#pragma once

#include <windows.h>

#include <cstddef>

// Copies string id of the launcher's string table into buf with a terminator. False when the
// launcher has no such string, when it is empty, or when it does not fit capacity - 1 units.
bool launcher_string(unsigned id, wchar_t* buf, size_t capacity);

// The started program's windows are grouped and pinned under the launcher's
// AppUserModelID, when it has one, instead of under java.exe: STARTF_TITLEISAPPID with the
// ID as lpTitle, which id holds and must keep until the start. Otherwise startup is unchanged.
void set_app_user_model_id(STARTUPINFOW* startup, wchar_t (&id)[129]);
