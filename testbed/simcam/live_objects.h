// Counts of what simcam.dll has alive in this process: COM objects and server locks
// (DllCanUnloadNow, the export SimCamLiveObjects) and the streaming statistics that the
// benchmark reads (export SimCamStreamStats).
#pragma once

#include <windows.h>

#include <cstdint>

namespace kvo::simcam {

void ObjectCreated();
void ObjectDestroyed();
LONG LiveObjectCount();
// The counter itself, for shared objects that count themselves (kvo::dshow::LiveCount).
LONG* LiveObjectCounter();
void LockServer(bool lock);
LONG ServerLocks();

// An object's share of the live count for its lifetime.
class LiveObject {
 public:
  LiveObject() { ObjectCreated(); }
  LiveObject(const LiveObject&) { ObjectCreated(); }
  LiveObject& operator=(const LiveObject&) = default;
  ~LiveObject() { ObjectDestroyed(); }
};

}  // namespace kvo::simcam

// What the streaming threads of this process have done since the DLL was loaded.
struct SimCamStats {
  uint64_t frames_delivered;
  uint64_t frames_late;      // delivered more than one frame interval after their time
  uint64_t cpu_time_100ns;   // user + kernel time of the streaming threads
};

namespace kvo::simcam {
void AddFrameStats(uint64_t delivered, uint64_t late, uint64_t cpu_time_100ns);
SimCamStats CurrentStats();
}  // namespace kvo::simcam
