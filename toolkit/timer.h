// A timer object: runs on_timer every Interval milliseconds while Enabled, on the thread that
// created it (through its message loop, modal loops included). An interval of 0 never fires.
// Changing Interval while enabled starts the period again. The handler may disable, change
// or destroy the timer.
#pragma once

#include <windows.h>

#include <functional>

namespace kvo::toolkit {

class Timer {
 public:
  struct CreateArgs {
    UINT interval = 1000;
    bool enabled = true;
    std::function<void(Timer&)> on_timer;
  };
  Timer() = default;
  explicit Timer(const CreateArgs& args) { Create(args); }
  Timer(const Timer&) = delete;
  Timer& operator=(const Timer&) = delete;
  ~Timer();

  void Create(const CreateArgs& args);

  bool Enabled() const { return enabled_; }
  void SetEnabled(bool enabled);
  UINT Interval() const { return interval_; }
  void SetInterval(UINT interval);
  bool Running() const { return timer_id_ != 0; }

 private:
  static void CALLBACK TimerProc(HWND, UINT, UINT_PTR id, DWORD);
  void Restart();
  void Stop();

  bool enabled_ = false;
  UINT interval_ = 1000;
  UINT_PTR timer_id_ = 0;
  std::function<void(Timer&)> on_timer_;
};

}  // namespace kvo::toolkit
