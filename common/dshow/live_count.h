// Each component counts its own live COM objects (DllCanUnloadNow and the tests read the
// count); an object holds a LiveCount for its lifetime to be part of its component's count.
#pragma once

#include <windows.h>

namespace kvo::dshow {

class LiveCount {
 public:
  // counter may be nullptr: the object is then counted nowhere.
  explicit LiveCount(LONG* counter) : counter_(counter) {
    if (counter_) InterlockedIncrement(counter_);
  }
  LiveCount(const LiveCount&) = delete;
  LiveCount& operator=(const LiveCount&) = delete;
  ~LiveCount() {
    if (counter_) InterlockedDecrement(counter_);
  }

 private:
  LONG* counter_;
};

}  // namespace kvo::dshow
