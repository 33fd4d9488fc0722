// read_registry_path over arbitrary paths with a small registry. The first byte chooses
// the 64-bit access flag, the default view and a failing data query; the rest is the path.
// A string value must arrive terminated.
#include "harness.h"
#include "launch/wide_text.h"
#include "platform/os.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  fuzz::fresh_machine();
  fuzz::lay_out_machine();
  simulated_os::machine& m = simulated_os::current();
  m.default_view_is_64 = !(data[0] & 2);
  if (data[0] & 4) m.faults.data_query_error = 234;
  std::u16string path = fuzz::text_of(data + 1, size - 1);
  uint32_t type = 0;
  const void* value =
      read_registry_path(path.c_str(), &type, data[0] & 1 ? os::key_wow64_64key : 0);
  if (value && type == os::reg_sz) text_length(static_cast<const char16_t*>(value));
  fuzz::require_all_released();
  return 0;
}
