// The Windows architecture an app is packed for, decided by its runtime's java.base.
#pragma once

enum class architecture { x64, x86 };

// "x64" or "x86", as release folders and zip names spell it.
inline const char* architecture_name(architecture arch) {
  return arch == architecture::x64 ? "x64" : "x86";
}
