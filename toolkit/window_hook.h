// The toolkit's one way of seeing another window's messages before the window's own
// procedure does: hooks on a window, kept in one chain per window.
//
// A control binds its window (and parts such as radio items) this way, and a skinned frame
// hooks the top-level window it draws; both may sit on one window. The newest hook gets a
// message first and passes what it does not handle on with CallNextHook, which reaches the
// hook attached before it and finally the window's own procedure. Hooks come off in any
// order, also while a message is being handled. When the last one goes the window's own
// procedure is put back, unless a procedure from outside the toolkit was set over ours
// meanwhile: then ours stays and passes every message straight through. At WM_NCDESTROY
// the hooks see the message first; whatever is still attached afterwards is taken off.
#pragma once

#include <windows.h>

namespace kvo::toolkit {

// owner is what the hook was added with; the procedure returns the message's result.
using WindowHookProc = LRESULT (*)(void* owner, HWND window, UINT message, WPARAM wparam,
                                   LPARAM lparam);

// Adds a hook; false when the window is not valid or (proc, owner) is on it already.
bool AddWindowHook(HWND window, WindowHookProc proc, void* owner);

// Takes the hook off; nothing happens when it is not on the window.
void RemoveWindowHook(HWND window, WindowHookProc proc, void* owner);

// The owner of the newest hook with this procedure on the window; nullptr when none.
void* FindWindowHook(HWND window, WindowHookProc proc);

// From inside a hook procedure: passes the message to the hooks attached before the one
// running, and finally to the window's own procedure.
LRESULT CallNextHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace kvo::toolkit
