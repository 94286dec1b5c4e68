// The records the driver returns for a property: a numeric record and a string record
// whose text field the driver may fill to its last byte. The first four bytes choose the
// property id, the rest is the record as the driver left it. The numbers a camera answers
// (zoom maximum and level, effect, exposure) then go through the property window's rules.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "fuzz_input.h"
#include "property_routes.h"
#include "property_rules.h"

using namespace kvo;
using kvo::fuzz::Check;
using namespace kvo::cm;

namespace {

int32_t Int32At(const uint8_t* data, size_t size, size_t index) {
  int32_t value = 0;
  const size_t offset = index * sizeof(value);
  if (offset + sizeof(value) <= size) std::memcpy(&value, data + offset, sizeof(value));
  return value;
}

// Every slider position a zoom step passes, and where it rests, lies on the Zoom slider.
void CheckZoomRun(const ZoomStepRun& run, int32_t zoom_max) {
  Check(run.count >= 0 && run.count <= zoom_max + 1);
  const int64_t last = run.first + static_cast<int64_t>(run.count - 1) * run.direction;
  if (run.count > 0) {
    Check(run.first >= 0 && run.first <= zoom_max);
    Check(last >= 0 && last <= zoom_max);
  }
  Check(run.rest_value >= 0 && run.rest_value <= zoom_max);
}

void CheckZoomRules(int32_t reported_max, int32_t reported_level, int32_t factor_pick) {
  const int32_t zoom_max = UsableZoomMax(reported_max);
  Check(zoom_max >= 1 && zoom_max <= 127);
  const int32_t limit = ZoomLimitFor(reported_max);
  Check(limit >= 10 && limit <= 1280 && limit % 10 == 0);

  // The level the camera reports places the slider; the slider shows a factor in range.
  const int32_t value = ZoomSliderValueForLevel(zoom_max, reported_level);
  Check(value >= 0 && value <= zoom_max);
  const int32_t factor_of_value = ZoomFactorFor(value, zoom_max);
  Check(factor_of_value >= 10 && factor_of_value <= 1280);
  Check(ZoomFactorFor(zoom_max, zoom_max) == 10);

  // Any factor the main window can hold: 10 up to the limit.
  const int32_t factor = 10 + static_cast<int32_t>(static_cast<uint32_t>(factor_pick) %
                                                   static_cast<uint32_t>(limit - 10 + 1));
  const int32_t slider = ZoomSliderValueFor(factor, zoom_max);
  Check(slider >= 0 && slider <= zoom_max);
  Check(ZoomFactorFor(slider, zoom_max) >= factor);
  if (factor < limit) CheckZoomRun(ZoomInRun(factor, zoom_max), zoom_max);
  if (factor > 10) CheckZoomRun(ZoomOutRun(factor, zoom_max), zoom_max);

  const std::string banner = ZoomBannerText(factor_of_value);
  Check(banner.rfind("Zoom in ", 0) == 0 && banner.size() < 32);
}

void CheckEffectRules(int32_t effect_value) {
  const EffectSelection selection = EffectSelectionFor(effect_value);
  if (selection.set_effect) Check(selection.effect_item >= -1 && selection.effect_item <= 16);
  if (selection.set_frame && effect_value != 0) {
    Check(selection.frame_item > 0);
    Check(FrameValueFor(selection.frame_item) == effect_value);
  }
  if (effect_value == 254) Check(!selection.set_effect && !selection.set_frame);
}

void CheckSliderRow(int32_t minimum, int32_t maximum) {
  const int32_t increment = SliderIncrement(minimum, maximum);
  const int64_t range = static_cast<int64_t>(maximum) - minimum;
  Check(static_cast<int64_t>(increment) * 20 <= (range < 0 ? -range : range) ||
        (range < 0 && increment <= 0));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  uint32_t id = 0;
  if (size >= sizeof(id)) {
    std::memcpy(&id, data, sizeof(id));
    data += sizeof(id);
    size -= sizeof(id);
  }
  const Route route = RouteOf(id);
  Check(IsSupportedId(id) == (route.kind != RouteKind::kUnsupported));
  Check(IsDriverRoute(route) == (PropertySetOf(route) != nullptr));
  // The overlay file is the one string property.
  Check((route.kind == RouteKind::kImageString) == (id == 34));

  StringRecord returned{};
  std::memcpy(&returned, data, size < sizeof(returned) ? size : sizeof(returned));
  // The caller's buffer is exactly the documented size: one byte more is an overflow.
  auto caller = std::make_unique<char[]>(kStringRecordMaxChars);
  CopyStringField(returned, caller.get());
  const size_t copied = strnlen(caller.get(), kStringRecordMaxChars);
  Check(std::memcmp(caller.get(), returned.text, copied) == 0);

  NumericRecord numeric{};
  std::memcpy(&numeric, data, size < sizeof(numeric) ? size : sizeof(numeric));
  const NumericRecord remade = MakeNumericRecord(numeric.head.flags, numeric.value);
  Check(remade.value == numeric.value);

  // A caller's text of any length goes into a string record without overflowing it.
  const std::string text(reinterpret_cast<const char*>(data), size);
  const StringRecord made = MakeStringRecord(kRecordFlagSet, text.c_str());
  const size_t kept = strnlen(made.text, sizeof(made.text));
  Check(kept <= kStringRecordMaxChars);
  Check(text.compare(0, kept, made.text, kept) == 0);
  MakeVideoControlModeRecord(id);

  // The values the camera answered, as the property window reads them.
  CheckZoomRules(numeric.value, Int32At(data, size, 2), Int32At(data, size, 3));
  CheckEffectRules(numeric.value);
  CheckSliderRow(Int32At(data, size, 4), Int32At(data, size, 5));
  return 0;
}
