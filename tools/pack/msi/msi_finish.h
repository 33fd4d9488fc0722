// What pack mends in the installer that wixl wrote, through libmsi: what wixl cannot say in
// its source, and what makes the package reproducible. libmsi is loaded when the first
// installer is written, so that pack needs it (Debian's libmsi0, which wixl brings) only for
// installers.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "msi/msi_rows.h"

struct msi_finish {
  int code_page;              // of the text wixl wrote, with WINDOWS_LANGUAGE set to match
  std::string upgrade_code;   // the product's, in MSI's form
  std::string version;        // ProductVersion
  int64_t epoch;              // Unix time, not before 1601
  std::vector<msi_row> rows;  // to add, their tables made first where wixl made none
};

// Adds the rows; declares the database's code page, and the summary's, whose texts it writes
// in it; lets an installer of the same version replace an installed one (a rebuild has another
// product code); gives wixl's HKMU registry roots the value Windows Installer reads; sets the
// creation and save times to epoch and the package code to a name-based UUID of the
// package's bytes with that code zeroed. Throws a refusal when libmsi cannot be loaded or
// fails.
// The rows are added before the times and codes are set, in the same transaction.
void finish_msi(const std::filesystem::path& msi, const msi_finish& how);
