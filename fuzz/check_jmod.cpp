// tavrin-pack's reading of the target's jmods: any bytes, as a module-info.class and as a
// jmod's zip, are refused with a problem or give a module with a name; never a crash.
#include <cstdint>
#include <string>

#include "harness.h"
#include "module_descriptor.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  std::string bytes(reinterpret_cast<const char*>(data), size);
  module_descriptor module;
  std::string problem;
  for (bool jmod : {false, true}) {
    problem.clear();
    bool read = jmod ? read_jmod_descriptor(std::string("JM\x01\x00", 4) + bytes, &module, &problem)
                     : read_module_descriptor(bytes, &module, &problem);
    fuzz::require(read ? !module.name.empty() : !problem.empty(),
                  "a descriptor has a name, a refusal a problem");
  }
  return 0;
}
