// The product strings and their match against display names.
#include <gtest/gtest.h>

#include <string>

#include "product_match.h"

namespace kvo::cm {
namespace {

const char kDisplayName[] =
    "@device:sw:{860BB310-5D01-11D0-BD3B-00A0C911CE86}\\vid_feed&pid_cafe#simcam";

TEST(ProductMatch, ValueNames) {
  EXPECT_EQ("ProductString", ProductValueName(0));
  EXPECT_EQ("ProductString1", ProductValueName(1));
  EXPECT_EQ("ProductString9", ProductValueName(9));
}

TEST(ProductMatch, OnlyKeptNonEmptySlotsTakePartInSlotOrder) {
  ProductStrings products;
  EXPECT_TRUE(products.empty());
  products.Keep(0, "");
  EXPECT_TRUE(products.empty());
  products.Keep(3, "vid_feed&pid_cafe");
  products.Keep(7, "pid_cafe");
  ASSERT_FALSE(products.empty());
  EXPECT_EQ(3u, products.FindIn(kDisplayName).value_or(99));
  EXPECT_EQ(7u, products.FindIn(kDisplayName, 4).value_or(99));
  EXPECT_FALSE(products.FindIn(kDisplayName, 8));
  EXPECT_FALSE(products.FindIn("@device:sw:{x}\\vid_beef&pid_0001"));
}

TEST(ProductMatch, CaseSensitive) {
  ProductStrings products;
  products.Keep(0, "VID_FEED&PID_CAFE");
  EXPECT_FALSE(products.FindIn(kDisplayName));
}

TEST(ProductMatch, LongDisplayNamesTakePartWhole) {
  ProductStrings products;
  products.Keep(0, "vid_feed&pid_cafe");
  const std::string name = std::string(200, 'a') + "vid_feed&pid_cafe" + std::string(50, 'z');
  EXPECT_EQ(0u, products.FindIn(name).value_or(99));
  // A product string straddling character 128 is found as well.
  const std::string straddling = std::string(120, 'a') + "vid_feed&pid_cafe";
  EXPECT_EQ(0u, products.FindIn(straddling).value_or(99));
}

TEST(ProductMatch, TextsThatDoNotFitTheHandleAreLeftOut) {
  ProductStrings products;
  products.Keep(1, std::string(256, 'v'));
  products.Keep(10, "vid_feed");
  EXPECT_TRUE(products.empty());
  products.Keep(2, std::string(255, 'v'));
  EXPECT_EQ(2u, products.FindIn(std::string(300, 'v')).value_or(99));
}

}  // namespace
}  // namespace kvo::cm
