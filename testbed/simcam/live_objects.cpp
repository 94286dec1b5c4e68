#include "live_objects.h"

#include <atomic>

namespace kvo::simcam {
namespace {

LONG live_objects = 0;  // interlocked: the shared enumerators count themselves here too
std::atomic<LONG> server_locks{0};
std::atomic<uint64_t> frames_delivered{0};
std::atomic<uint64_t> frames_late{0};
std::atomic<uint64_t> cpu_time{0};

}  // namespace

void ObjectCreated() { InterlockedIncrement(&live_objects); }
void ObjectDestroyed() { InterlockedDecrement(&live_objects); }
LONG LiveObjectCount() { return InterlockedCompareExchange(&live_objects, 0, 0); }
LONG* LiveObjectCounter() { return &live_objects; }
void LockServer(bool lock) {
  if (lock)
    ++server_locks;
  else
    --server_locks;
}
LONG ServerLocks() { return server_locks.load(); }

void AddFrameStats(uint64_t delivered, uint64_t late, uint64_t cpu_time_100ns) {
  frames_delivered += delivered;
  frames_late += late;
  cpu_time += cpu_time_100ns;
}

SimCamStats CurrentStats() {
  return SimCamStats{frames_delivered.load(), frames_late.load(), cpu_time.load()};
}

}  // namespace kvo::simcam
