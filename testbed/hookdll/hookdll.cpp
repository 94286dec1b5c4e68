// hookdll.dll for the testbed: the keyboard-hook library the tray companion binds. _init
// receives the hook handle; _KeyLL is a low-level keyboard hook that passes every key on.
#include <windows.h>

namespace {
HHOOK g_hook = nullptr;
}

extern "C" {

// Exported as "_init"; the caller removes the argument from the stack.
void __cdecl HookInit(HHOOK hook) { g_hook = hook; }

// Exported as "_KeyLL".
LRESULT CALLBACK HookKeyLL(int code, WPARAM wparam, LPARAM lparam) {
  return CallNextHookEx(g_hook, code, wparam, lparam);
}

}
