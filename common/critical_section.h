// A Win32 critical section and its scoped lock, for objects that COM may call from any
// thread (our filters and their pins).
#pragma once

#include <windows.h>

#include <mutex>

namespace kvo {

class CriticalSection {
 public:
  CriticalSection() { InitializeCriticalSection(&section_); }
  CriticalSection(const CriticalSection&) = delete;
  CriticalSection& operator=(const CriticalSection&) = delete;
  ~CriticalSection() { DeleteCriticalSection(&section_); }
  // The names std::lock_guard calls.
  void lock() { EnterCriticalSection(&section_); }
  void unlock() { LeaveCriticalSection(&section_); }

 private:
  CRITICAL_SECTION section_;
};

using Lock = std::lock_guard<CriticalSection>;

}  // namespace kvo
