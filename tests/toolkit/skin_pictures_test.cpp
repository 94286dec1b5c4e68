// Where a skin's caption-button pictures are looked up: in the skin's folder only. A skin is
// a file users swap, so its picture names are outside input.
#include <gtest/gtest.h>

#include <string>

#include "skin_pictures.h"

namespace kvo::toolkit {
namespace {

TEST(SkinPictures, PicturesAreFoundInTheSkinFolder) {
  EXPECT_EQ("dazodi\\", SkinFolderOf("dazodi\\skin.ini"));
  EXPECT_EQ("C:/kvo/dazodi/", SkinFolderOf("C:/kvo/dazodi/skin.ini"));
  EXPECT_EQ("", SkinFolderOf("skin.ini"));

  EXPECT_EQ("dazodi\\close.bmp", CaptionButtonPicturePath("dazodi\\", "close.bmp"));
  EXPECT_EQ("dazodi\\caption\\close.bmp",
            CaptionButtonPicturePath("dazodi\\", "caption\\close.bmp"));
  EXPECT_EQ("close.bmp", CaptionButtonPicturePath("", "close.bmp"));
  EXPECT_EQ("dazodi\\v1..2.bmp", CaptionButtonPicturePath("dazodi\\", "v1..2.bmp"));
  EXPECT_EQ("dazodi\\.hidden.bmp", CaptionButtonPicturePath("dazodi\\", ".hidden.bmp"));

  // The loader opens paths of up to 259 characters.
  const std::string longest(259 - 7, 'a');
  EXPECT_EQ("dazodi\\" + longest, CaptionButtonPicturePath("dazodi\\", longest));
  EXPECT_FALSE(CaptionButtonPicturePath("dazodi\\", longest + "a"));
  EXPECT_FALSE(CaptionButtonPicturePath("dazodi\\", ""));
}

TEST(SkinPictures, ANameThatLeavesTheSkinFolderIsRefused) {
  const char* const leaving[] = {
      "..\\..\\windows\\system32\\picture.bmp", "caption/../../picture.bmp", "..",
      "caption\\.. \\.. \\b.bmp", "...\\b.bmp", "\\\\server\\share\\picture.bmp",
      "\\windows\\picture.bmp", "/picture.bmp", "C:\\picture.bmp", "C:picture.bmp",
      "close.bmp:hidden", "\\\\.\\PhysicalDrive0"};
  for (const char* name : leaving) {
    EXPECT_FALSE(CaptionButtonPicturePath("dazodi\\", name)) << name;
    // Without a folder a share or a root would be opened as it stands.
    EXPECT_FALSE(CaptionButtonPicturePath("", name)) << name;
  }
}

}  // namespace
}  // namespace kvo::toolkit
