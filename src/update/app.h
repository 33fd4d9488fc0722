// The installed app as the update program finds it: its folder (two above the program's own,
// runtime-HASH\bin), its parameter file and the settings at its top, and the folder of the
// update's own state, tavrin-update\ beside the launcher:
//   checked          its time is the end of the last finished check (the launcher reads it)
//   pending          the version switched to, until the launcher has started it once
//   previous.tavrin  the parameter file before that switch, for a rollback
//   failed           a pending version that the launcher could not start (rolled back)
//   bad              the versions never to install again, one a line
//   latest           the newest version a verified feed named
//   staged           the version of an installer verified and waiting for the app's end
//   launcher.exe     a newer NAME.exe, verified, waiting until no launcher runs
//   staging\         what is being fetched; trash\ what is being removed
//   update.log       what each run did
#pragma once

#include <string>
#include <vector>

#include "update/feed.h"
#include "update/settings.h"

namespace update {

struct app {
  std::wstring folder;      // the install folder, no trailing backslash
  std::wstring state;       // folder\tavrin-update
  std::wstring parameters;  // folder\NAME.tavrin
  settings s;
  unsigned long launcher = 0;  // the process id of the launcher that started this run, or 0
};

// Finds the app in folder, or, when folder is empty, around the program; false with *problem
// set when it is no app that updates itself.
bool find_app(app* a, const std::wstring& folder, std::string* problem);

// Takes the state folder's lock, held while one run checks or installs; INVALID_HANDLE_VALUE
// while another holds it. Closing the handle lets it go.
void* take_lock(const app& a);

// Appends a line to the log, with the time.
void log_line(const app& a, const std::string& text);

// A file of the state folder: its text without line ends at the end, or "" when missing.
std::string state_text(const app& a, const wchar_t* name);

// The versions marked bad.
std::vector<std::string> bad_versions(const app& a);

// The content folders that a parameter file's text names, by the first part of each word.
std::vector<std::string> named_folders(const std::string& parameter_text);

// Installs the feed's release into a zip-installed app: fetches what changed, verifies it,
// switches the parameter file, keeps the old one for a rollback. False with *problem set;
// the installed version is then as it was.
bool install_zip(app& a, const feed& f, std::string* problem);

// Removes the content folders that neither the parameter file nor a pending rollback names;
// one in use stays, for a later run.
void remove_unused_folders(const app& a);

// Brings NAME.exe up to a staged newer one once no launcher runs it.
void replace_launcher(const app& a, bool wait);

// Fetches and verifies the feed's installer, then, once the app has ended, installs it as a
// per-user major upgrade with msiexec. False with *problem set.
bool install_msi(app& a, const feed& f, std::string* problem);

// Runs a staged installer: the copy of the program in the state folder does this.
int run_staged_installer(const std::wstring& folder, const std::wstring& msi, unsigned long pid);

// Fetches a file of the release into path: a complete one there already is kept, one of the
// same content in another folder of the install is copied, else it is downloaded from files/.
bool fetch_file(const app& a, const feed_file& file, const std::wstring& path, uint64_t* downloaded,
                std::string* problem);

}  // namespace update
