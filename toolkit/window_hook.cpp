#include "window_hook.h"

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

#include "error_barrier.h"

namespace kvo::toolkit {

namespace {

constexpr char kChainProperty[] = "KvoToolkitHooks";

struct Hook {
  WindowHookProc proc = nullptr;  // null: taken off while a message was being handled
  void* owner = nullptr;
};

struct HookChain {
  WNDPROC original = nullptr;
  std::vector<Hook> hooks;  // oldest first
  int running = -1;         // the hook handling the current message; -1: none
  int depth = 0;            // messages being handled (a handler may send the window more)
};

LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

HookChain* ChainOf(HWND window) {
  if (window == nullptr) return nullptr;
  return static_cast<HookChain*>(GetPropA(window, kChainProperty));
}

bool OurProcedureIsInPlace(HWND window) {
  return GetWindowLongPtrA(window, GWLP_WNDPROC) == reinterpret_cast<LONG_PTR>(&ChainProc);
}

// Once no message is being handled: forgets the hooks taken off, and when none is left (or
// the window is going) gives the window its own procedure back and lets the chain go.
void TidyUp(HWND window, HookChain* chain, bool window_ends) {
  if (chain->depth > 0) return;
  auto& hooks = chain->hooks;
  hooks.erase(std::remove_if(hooks.begin(), hooks.end(),
                             [](const Hook& hook) { return hook.proc == nullptr; }),
              hooks.end());
  if (!window_ends && !hooks.empty()) return;
  const bool ours = OurProcedureIsInPlace(window);
  // A procedure set over ours still calls ours: keep passing messages through until the
  // window ends.
  if (!window_ends && !ours) return;
  if (ours) SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(chain->original));
  RemovePropA(window, kChainProperty);
  delete chain;
}

// Runs the newest attached hook older than `below`, or the window's own procedure when
// there is none.
LRESULT RunBelow(HWND window, HookChain* chain, int below, UINT message, WPARAM wparam,
                 LPARAM lparam) {
  int index = std::min(below, static_cast<int>(chain->hooks.size())) - 1;
  while (index >= 0 && chain->hooks[static_cast<size_t>(index)].proc == nullptr) --index;
  if (index < 0) return CallWindowProcA(chain->original, window, message, wparam, lparam);
  const Hook hook = chain->hooks[static_cast<size_t>(index)];
  const int outer = std::exchange(chain->running, index);
  const LRESULT result = CallGuarded(
      window, LRESULT{0}, [&] { return hook.proc(hook.owner, window, message, wparam, lparam); });
  chain->running = outer;
  return result;
}

LRESULT CALLBACK ChainProc(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HookChain* chain = ChainOf(window);
  if (chain == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  ++chain->depth;
  const LRESULT result = RunBelow(window, chain, static_cast<int>(chain->hooks.size()), message,
                                  wparam, lparam);
  --chain->depth;
  TidyUp(window, chain, message == WM_NCDESTROY);
  return result;
}

}  // namespace

bool AddWindowHook(HWND window, WindowHookProc proc, void* owner) {
  if (window == nullptr || proc == nullptr || !IsWindow(window)) return false;
  HookChain* chain = ChainOf(window);
  if (chain == nullptr) {
    auto made = std::make_unique<HookChain>();
    if (!SetPropA(window, kChainProperty, made.get())) return false;
    made->original = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&ChainProc)));
    chain = made.release();
  }
  for (const Hook& hook : chain->hooks) {
    if (hook.proc == proc && hook.owner == owner) return false;
  }
  chain->hooks.push_back({proc, owner});
  return true;
}

void RemoveWindowHook(HWND window, WindowHookProc proc, void* owner) {
  HookChain* chain = ChainOf(window);
  if (chain == nullptr || proc == nullptr) return;
  for (Hook& hook : chain->hooks) {
    if (hook.proc == proc && hook.owner == owner) hook.proc = nullptr;
  }
  TidyUp(window, chain, false);
}

void* FindWindowHook(HWND window, WindowHookProc proc) {
  HookChain* chain = ChainOf(window);
  if (chain == nullptr || proc == nullptr) return nullptr;
  for (auto hook = chain->hooks.rbegin(); hook != chain->hooks.rend(); ++hook) {
    if (hook->proc == proc) return hook->owner;
  }
  return nullptr;
}

LRESULT CallNextHook(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  HookChain* chain = ChainOf(window);
  if (chain == nullptr) return DefWindowProcA(window, message, wparam, lparam);
  if (chain->running < 0) {
    return CallWindowProcA(chain->original, window, message, wparam, lparam);
  }
  return RunBelow(window, chain, chain->running, message, wparam, lparam);
}

}  // namespace kvo::toolkit
