// kvocmdll.dll: the library's code comes from kvo_camctl, its export names from
// kvocmdll.def. Nothing happens at load or unload: the library keeps no global state.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) { return TRUE; }
