// A stand-in jvm.dll for tavrin-pack's fixture runtime: a real DLL that loads and does
// nothing, so that pack signs it as it signs a vendor's.
#include <windows.h>

BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
  return TRUE;
}
