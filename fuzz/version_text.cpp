// scan_fields with the launcher's version format. Where the C library's reading is
// defined (ASCII text, no number beyond 32 bits) it must agree with swscanf.
#include "runtime/version_text.h"

#include <cwchar>
#include <string>

#include "harness.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::u16string text = fuzz::text_of(data, size);
  scanned_fields f = scan_fields(text.c_str(), u"%d.%d.%d%c%d.%d.%d");
  fuzz::require(f.count >= 0 && f.count <= 7, "at most seven fields");
  if (f.overflow) return 0;
  std::wstring wide;
  for (char16_t c : text) {
    if (c >= 0x80) return 0;
    wide += static_cast<wchar_t>(c);
  }
  int v[7] = {};
  char c = 0;
  int count =
      swscanf(wide.c_str(), L"%d.%d.%d%c%d.%d.%d", &v[0], &v[1], &v[2], &c, &v[4], &v[5], &v[6]);
  v[3] = c;
  if (count == EOF) count = 0;
  fuzz::require(f.count == count, "the field count agrees with swscanf");
  for (int i = 0; i < count; ++i) fuzz::require(f.values[i] == v[i], "a field agrees with swscanf");
  return 0;
}
