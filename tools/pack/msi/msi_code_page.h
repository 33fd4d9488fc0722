// The Windows code page of an installer's text. wixl and libmsi store every text of a
// package in one ANSI code page, which the package then declares so that Windows reads the
// text back as written; a text the code page cannot hold would crash wixl.
#pragma once

#include <string>
#include <vector>

struct msi_text {
  std::string where;  // what holds the text, for a refusal: "--vendor", "the file app/a.jar"
  std::string text;   // UTF-8
};

struct msi_code_page {
  int number;            // 1252, 1251, ...
  const char* language;  // the WINDOWS_LANGUAGE that makes wixl and libmsi use it: "ru_RU"
};

// The first Windows code page, Western European first and the East Asian ones last, that
// holds every text exactly; refuses, naming the text and the character, when none does.
msi_code_page installer_code_page(const std::vector<msi_text>& texts);

// The text (UTF-8) in the code page, which holds it.
std::string in_code_page(const std::string& text, int code_page);
