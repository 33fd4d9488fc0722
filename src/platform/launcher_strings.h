// The settings a launcher reads from its own string table (RT_STRING, language neutral),
// which tavrin-brand writes. Reading them costs no file access, and a launcher without them
// behaves as if none were set.
#pragma once

namespace launcher_strings {

// The AppUserModelID that the started program's windows are grouped and pinned under,
// instead of java.exe's: at most 128 characters.
constexpr unsigned app_user_model_id = 1;
constexpr unsigned max_app_user_model_id = 128;

// The hours between two checks for a newer release (decimal, 1 to 8760); without it, the app
// does not update itself.
constexpr unsigned update_interval = 2;

}  // namespace launcher_strings
