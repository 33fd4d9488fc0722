#include "image/launchers.h"

// Each launcher's bytes between two labels in read-only data. TAVRIN_LAUNCHERS_DIR is the
// dist folder; CMake rebuilds this file when a launcher there changes.
#define TAVRIN_EMBED(label, file)                                                                \
  asm(".section .rodata\n.balign 16\n.globl " #label "_start\n.hidden " #label "_start\n" #label \
      "_start:\n.incbin \"" TAVRIN_LAUNCHERS_DIR "/" file "\"\n.globl " #label                   \
      "_end\n.hidden " #label "_end\n" #label "_end:\n.previous\n");                             \
  extern "C" const char label##_start[], label##_end[];

TAVRIN_EMBED(tavrin_x64_gui, "x64/tavrin.exe")
TAVRIN_EMBED(tavrin_x64_console, "x64/tavrin-console.exe")
TAVRIN_EMBED(tavrin_x64_service, "x64/tavrin-service.exe")
TAVRIN_EMBED(tavrin_x86_gui, "x86/tavrin.exe")
TAVRIN_EMBED(tavrin_x86_console, "x86/tavrin-console.exe")
TAVRIN_EMBED(tavrin_x86_service, "x86/tavrin-service.exe")
TAVRIN_EMBED(tavrin_x64_update, "x64/tavrin-update.exe")
TAVRIN_EMBED(tavrin_x86_update, "x86/tavrin-update.exe")

const char* twin_file(twin t) {
  return t == twin::console   ? "tavrin-console.exe"
         : t == twin::service ? "tavrin-service.exe"
                              : "tavrin.exe";
}

std::string launcher_image(architecture arch, twin t) {
  struct bytes {
    const char *start, *end;
  };
  const bytes x64[] = {{tavrin_x64_gui_start, tavrin_x64_gui_end},
                       {tavrin_x64_console_start, tavrin_x64_console_end},
                       {tavrin_x64_service_start, tavrin_x64_service_end}};
  const bytes x86[] = {{tavrin_x86_gui_start, tavrin_x86_gui_end},
                       {tavrin_x86_console_start, tavrin_x86_console_end},
                       {tavrin_x86_service_start, tavrin_x86_service_end}};
  const bytes& b = (arch == architecture::x64 ? x64 : x86)[static_cast<int>(t)];
  return std::string(b.start, b.end);
}

std::string update_program_image(architecture arch) {
  return arch == architecture::x64 ? std::string(tavrin_x64_update_start, tavrin_x64_update_end)
                                   : std::string(tavrin_x86_update_start, tavrin_x86_update_end);
}
