// Counts of what simcam.dll has alive in this process: COM objects and server locks
// (DllCanUnloadNow, the export SimCamLiveObjects), releases that came too late, and the
// streaming statistics that the benchmark reads (export SimCamStreamStats).
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

// Counts a release that arrives on a thread without an apartment of its own: the program
// ended COM on that thread before it let go of the object (on Windows the server may have
// been unloaded by then). The count goes to the testbed key (ReleasesOutsideApartment),
// where a test reads it after the program ended.
void CheckReleaseInApartment();

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
  uint64_t cpu_time_100ns;   // user + kernel time of the streaming threads, the downstream
                             // filters' work in their Receive included
  uint64_t pictures_drawn;   // frames drawn; the others were copies of another pin's picture
  // The camera's own work: taking a buffer and drawing or copying the picture into it
  // (the wait for another pin's picture left out). A real camera's driver fills its
  // buffers outside the process.
  uint64_t camera_work_100ns;
  // Time in the Receive of the filters behind each pin: the work of the graph downstream.
  uint64_t capture_downstream_100ns;
  uint64_t preview_downstream_100ns;
  // SetFormat calls (from any thread) with a format the camera does not offer, which it
  // refused: a driver would have been handed that format.
  uint64_t formats_not_offered;
};

namespace kvo::simcam {
void AddFrameStats(const SimCamStats& frame);
void CountFormatNotOffered();

// Adds the time from construction to destruction to *total_100ns, by the performance
// counter: thread times move in scheduler ticks, far coarser than a frame's work.
class StatsTimer {
 public:
  explicit StatsTimer(uint64_t* total_100ns);
  StatsTimer(const StatsTimer&) = delete;
  StatsTimer& operator=(const StatsTimer&) = delete;
  ~StatsTimer();

 private:
  uint64_t* total_;
  LARGE_INTEGER start_;
};
SimCamStats CurrentStats();
}  // namespace kvo::simcam
