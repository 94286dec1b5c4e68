#include "timer.h"

#include <map>

#include "error_barrier.h"

namespace kvo::toolkit {

namespace {

// Thread timers carry no pointer, so the live timers are found by their id. The map is
// touched by the user-interface thread only, as the timers fire there.
std::map<UINT_PTR, Timer*>& LiveTimers() {
  static std::map<UINT_PTR, Timer*> timers;
  return timers;
}

}  // namespace

Timer::~Timer() { Stop(); }

void Timer::Create(const CreateArgs& args) {
  interval_ = args.interval;
  enabled_ = args.enabled;
  on_timer_ = args.on_timer;
  Restart();
}

void Timer::SetEnabled(bool enabled) {
  if (enabled == enabled_) return;
  enabled_ = enabled;
  Restart();
}

void Timer::SetInterval(UINT interval) {
  if (interval == interval_) return;
  interval_ = interval;
  Restart();
}

void Timer::Stop() {
  if (timer_id_ == 0) return;
  KillTimer(nullptr, timer_id_);
  LiveTimers().erase(timer_id_);
  timer_id_ = 0;
}

void Timer::Restart() {
  Stop();
  if (!enabled_ || interval_ == 0) return;
  timer_id_ = SetTimer(nullptr, 0, interval_, &Timer::TimerProc);
  if (timer_id_ != 0) LiveTimers()[timer_id_] = this;
}

void CALLBACK Timer::TimerProc(HWND, UINT, UINT_PTR id, DWORD) {
  auto& timers = LiveTimers();
  auto found = timers.find(id);
  if (found == timers.end()) {
    KillTimer(nullptr, id);  // a tick already queued for a timer that is gone
    return;
  }
  Timer* timer = found->second;
  if (!timer->on_timer_) return;
  // A copy, so a handler that replaces or destroys the timer does not pull the running
  // function out from under itself. An error it raises ends this tick only: the timer
  // goes on.
  auto handler = timer->on_timer_;
  CallGuarded(nullptr, [&] { handler(*timer); });
}

}  // namespace kvo::toolkit
