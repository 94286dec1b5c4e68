#include "live_objects.h"

#include <objbase.h>

#include <atomic>

#include "driver_state.h"
#include "simcam_names.h"

namespace kvo::simcam {
namespace {

LONG live_objects = 0;  // interlocked: the shared enumerators count themselves here too
std::atomic<LONG> server_locks{0};
std::atomic<uint64_t> frames_delivered{0};
std::atomic<uint64_t> frames_late{0};
std::atomic<uint64_t> cpu_time{0};
std::atomic<uint64_t> pictures_drawn{0};
std::atomic<uint64_t> camera_work{0};
std::atomic<uint64_t> capture_downstream{0};
std::atomic<uint64_t> preview_downstream{0};
std::atomic<uint64_t> formats_not_offered{0};

bool CallerHasApartment() {
  // Looked up: CoGetApartmentType came with Windows 7 (Wine has it).
  using ApartmentTypeQuery = HRESULT(WINAPI*)(APTTYPE*, APTTYPEQUALIFIER*);
  static const auto query = reinterpret_cast<ApartmentTypeQuery>(reinterpret_cast<void*>(
      GetProcAddress(GetModuleHandleA("ole32.dll"), "CoGetApartmentType")));
  if (query == nullptr) return true;  // nothing to tell by
  APTTYPE type{};
  APTTYPEQUALIFIER qualifier{};
  // A thread without an apartment answers CO_E_NOTINITIALIZED, or, while another thread
  // keeps the multithreaded apartment, that apartment as its implicit one.
  return query(&type, &qualifier) == S_OK && qualifier != APTTYPEQUALIFIER_IMPLICIT_MTA;
}

}  // namespace

void CheckReleaseInApartment() {
  if (CallerHasApartment()) return;
  StateLock lock;
  const DWORD count = ReadSimCamDword(kReleasesOutsideApartmentValue).value_or(0);
  WriteSimCamDword(kReleasesOutsideApartmentValue, count + 1);
}

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

void AddFrameStats(const SimCamStats& frame) {
  frames_delivered += frame.frames_delivered;
  frames_late += frame.frames_late;
  cpu_time += frame.cpu_time_100ns;
  pictures_drawn += frame.pictures_drawn;
  camera_work += frame.camera_work_100ns;
  capture_downstream += frame.capture_downstream_100ns;
  preview_downstream += frame.preview_downstream_100ns;
}

void CountFormatNotOffered() { ++formats_not_offered; }

SimCamStats CurrentStats() {
  return SimCamStats{frames_delivered.load(),   frames_late.load(),
                     cpu_time.load(),           pictures_drawn.load(),
                     camera_work.load(),        capture_downstream.load(),
                     preview_downstream.load(), formats_not_offered.load()};
}

StatsTimer::StatsTimer(uint64_t* total_100ns) : total_(total_100ns) {
  QueryPerformanceCounter(&start_);
}

StatsTimer::~StatsTimer() {
  LARGE_INTEGER end, frequency;
  QueryPerformanceCounter(&end);
  QueryPerformanceFrequency(&frequency);
  *total_ += static_cast<uint64_t>((end.QuadPart - start_.QuadPart) * 10000000 /
                                   frequency.QuadPart);
}

}  // namespace kvo::simcam
