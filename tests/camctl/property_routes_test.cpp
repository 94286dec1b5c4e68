// Id check, routes and the records handed to the driver.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "property_routes.h"

namespace kvo::cm {
namespace {

TEST(PropertyRoutes, IdCheckBoundaries) {
  for (uint32_t id : {0u, 38u, 1000u, 1012u, 2000u, 2999u}) EXPECT_TRUE(IsSupportedId(id)) << id;
  for (uint32_t id : {39u, 999u, 1013u, 1999u, 3000u, 0xFFFFFFFFu})
    EXPECT_FALSE(IsSupportedId(id)) << id;
}

TEST(PropertyRoutes, IdsGoToTheirSetAndProperty) {
  struct Case {
    uint32_t id;
    RouteKind kind;
    uint32_t property;
    const DriverGuid* set;
  } cases[] = {
      {0, RouteKind::kImageNumeric, 0, &kPropSetCmImage},
      {8, RouteKind::kImageNumeric, 8, &kPropSetCmImage},
      {33, RouteKind::kImageNumeric, 33, &kPropSetCmImage},
      {34, RouteKind::kImageString, 34, &kPropSetCmImage},
      {38, RouteKind::kImageNumeric, 38, &kPropSetCmImage},
      {1000, RouteKind::kZoomNumeric, 0, &kPropSetCmZoom},
      {1008, RouteKind::kZoomNumeric, 8, &kPropSetCmZoom},
      {1012, RouteKind::kZoomNumeric, 12, &kPropSetCmZoom},
      {2003, RouteKind::kLibrary, 2003, nullptr},
      {39, RouteKind::kUnsupported, 0, nullptr},
      {1013, RouteKind::kUnsupported, 0, nullptr},
  };
  for (const Case& c : cases) {
    const Route route = RouteOf(c.id);
    EXPECT_EQ(c.kind, route.kind) << c.id;
    EXPECT_EQ(c.property, route.property_id) << c.id;
    const DriverGuid* set = PropertySetOf(route);
    ASSERT_EQ(c.set != nullptr, set != nullptr) << c.id;
    if (set != nullptr) {
      EXPECT_TRUE(*c.set == *set) << c.id;
    }
    EXPECT_EQ(c.set != nullptr, IsDriverRoute(route)) << c.id;
  }
}

TEST(PropertyRoutes, NumericAndModeRecordsCarryFlagsAndValueOnly) {
  const NumericRecord set = MakeNumericRecord(kRecordFlagSet, -5);
  uint8_t expected[40] = {};
  expected[20] = 2;
  std::memset(expected + 24, 0xFF, 4);
  expected[24] = 0xFB;
  EXPECT_EQ(0, std::memcmp(expected, &set, sizeof(expected)));

  const VideoControlModeRecord mode = MakeVideoControlModeRecord(1);
  uint8_t expected_mode[32] = {};
  expected_mode[20] = 0x02;
  expected_mode[21] = 0x02;
  expected_mode[24] = 1;
  expected_mode[28] = 4;
  EXPECT_EQ(0, std::memcmp(expected_mode, &mode, sizeof(expected_mode)));
}

TEST(PropertyRoutes, StringRecordHoldsAtMost259CharactersAndZeroRest) {
  const std::string long_path(300, 'p');
  const StringRecord record = MakeStringRecord(kRecordFlagSet, long_path.c_str());
  EXPECT_EQ(2u, record.head.flags);
  EXPECT_EQ(std::string(259, 'p'), std::string(record.text, strnlen(record.text, 264)));
  for (size_t i = 259; i < sizeof(record.text); ++i) EXPECT_EQ(0, record.text[i]) << i;

  const StringRecord empty = MakeStringRecord(kRecordFlagGet, nullptr);
  EXPECT_EQ(1u, empty.head.flags);
  EXPECT_EQ(0, empty.text[0]);
}

TEST(PropertyRoutes, StringFieldCopyStopsAt259EvenWhenDriverFilledTheField) {
  StringRecord full = MakeStringRecord(kRecordFlagGet, nullptr);
  std::memset(full.text, 'x', sizeof(full.text));  // no NUL anywhere
  char buffer[300];
  std::memset(buffer, '#', sizeof(buffer));
  CopyStringField(full, buffer);
  EXPECT_EQ(std::string(259, 'x'), std::string(buffer, 259));
  EXPECT_EQ('#', buffer[259]) << "a 259-character string is copied without NUL";

  StringRecord shorter = MakeStringRecord(kRecordFlagGet, "c:\\zoomtmp.bmp");
  CopyStringField(shorter, buffer);
  EXPECT_STREQ("c:\\zoomtmp.bmp", buffer);
  EXPECT_EQ('x', buffer[15]) << "nothing written after the NUL";
}

}  // namespace
}  // namespace kvo::cm
