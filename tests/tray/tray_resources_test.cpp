// quickdock.exe's resources read from the built program: both text tables complete and in
// the right characters, both menu languages, the 24 button pictures in their sizes, the
// About picture, the icon and the two dialogs.
#include <gtest/gtest.h>

#include <windows.h>

#include <map>
#include <string>

#include "e2e.h"
#include "toolbox_geometry.h"

namespace kvo {
namespace {

using kvo::test::BinPath;

constexpr WORD kEnglish = MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US);
constexpr WORD kChinese = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_TRADITIONAL);

const std::map<int, std::u16string> kEnglishTexts = {
    {1, u"Please press Fn+F10 turn on the Camera"},
    {2, u"Miss component. '%s'  Please reinstall this program!"},
    {3, u"Can't Execute '%s'  Please reinstall this program!"},
    {4, u"Reg Error,Do you want restore default value?"},
    {6, u"Error"}, {8, u"Registration"}, {9, u"RegisterDeviceNotification failed: %d\n"},
    {10, u"Error on 'Regedit.exe' !"}, {11, u"Could not load IMAGE!"},
    {12, u"Oculetto Application"}, {13, u"On &Right"}, {14, u"On &Left"}, {15, u"On &Top"},
    {17, u"&Auto Hide Window"}, {18, u"&Show Toolbox"}, {22, u"Preview"}, {23, u"Snapshot"},
    {24, u"Record"}, {25, u"Send mail"}, {26, u"Property"}, {27, u"Setting"},
    {30, u"Version Infomation"}, {31, u"Oculetto Application"},
};

const std::map<int, std::u16string> kChineseTexts = {
    {1, u"請按 Fn+F10 啟用網路攝影機"}, {2, u"元件錯誤! '%s' 請重新安裝程式!"},
    {3, u"無法執行程式 '%s' 請重新安裝程式!"}, {4, u"登錄資訊錯誤,請問是否還原?"},
    {6, u"錯誤"}, {8, u"註冊"}, {9, u"裝置訊息註冊失敗: %d\n"}, {10, u"Regedit.exe 錯誤 !"},
    {11, u"無法載入圖形!"}, {12, u"Oculetto程式"}, {13, u"置於右邊(&R)"},
    {14, u"置於左邊(&L)"}, {15, u"置於上方(&T)"}, {17, u"自動隱藏(&A)"},
    {18, u"顯示工具箱(&S)"}, {22, u"預覽"}, {23, u"拍照"}, {24, u"錄影"},
    {25, u"拍照並以郵件發送"}, {26, u"屬性"}, {27, u"設定"}, {30, u"版本資訊"},
    {31, u"Oculetto程式"},
};

class QuickdockResources : public ::testing::Test {
 protected:
  void SetUp() override {
    module_.reset(LoadLibraryExA(BinPath("quickdock.exe").c_str(), nullptr,
                                 LOAD_LIBRARY_AS_DATAFILE));
    ASSERT_TRUE(module_.valid()) << "error " << GetLastError();
  }

  // A string of a table in one language, read from its block of 16 as stored.
  std::u16string StoredString(int id, WORD language) {
    HRSRC found = FindResourceExA(module_.get(), RT_STRING, MAKEINTRESOURCEA(id / 16 + 1),
                                  language);
    if (found == nullptr) return u"<no block>";
    const auto* data = static_cast<const char16_t*>(LockResource(LoadResource(module_.get(), found)));
    const size_t size = SizeofResource(module_.get(), found) / 2;
    size_t at = 0;
    for (int skip = 0; skip < id % 16 && at < size; ++skip) at += 1 + data[at];
    if (at >= size || at + 1 + data[at] > size) return u"<out of block>";
    return std::u16string(data + at + 1, data[at]);
  }

  bool HasResource(LPCSTR type, int id, WORD language) {
    return FindResourceExA(module_.get(), type, MAKEINTRESOURCEA(id), language) != nullptr;
  }

  UniqueHModule module_;
};

TEST_F(QuickdockResources, EnglishAndChineseTextTablesHoldEveryText) {
  for (const auto& [id, text] : kEnglishTexts)
    EXPECT_TRUE(StoredString(id, kEnglish) == text) << "English text " << id;
  for (const auto& [id, text] : kChineseTexts)
    EXPECT_TRUE(StoredString(id, kChinese) == text) << "Chinese text " << id;
}

TEST_F(QuickdockResources, LoadStringGivesTheEnglishTextsToTheProgram) {
  char text[256] = {};
  ASSERT_GT(LoadStringA(module_.get(), 2, text, sizeof(text)), 0);
  EXPECT_STREQ("Miss component. '%s'  Please reinstall this program!", text);
  ASSERT_GT(LoadStringA(module_.get(), 9, text, sizeof(text)), 0);
  EXPECT_STREQ("RegisterDeviceNotification failed: %d\n", text) << "ends with a line feed";
}

TEST_F(QuickdockResources, MenusExistInBothLanguagesWithTheirItems) {
  for (WORD language : {kEnglish, kChinese}) {
    EXPECT_TRUE(HasResource(RT_MENU, 20, language)) << language;
    EXPECT_TRUE(HasResource(RT_MENU, 30, language)) << language;
  }
  UniqueHMenu tray(LoadMenuA(module_.get(), MAKEINTRESOURCEA(20)));
  ASSERT_TRUE(tray.valid());
  HMENU popup = GetSubMenu(tray.get(), 0);
  ASSERT_EQ(4, GetMenuItemCount(popup));
  EXPECT_EQ(22u, GetMenuItemID(popup, 0));
  EXPECT_EQ(40012u, GetMenuItemID(popup, 1));
  EXPECT_EQ(23u, GetMenuItemID(popup, 3));
  char text[64] = {};
  GetMenuStringA(popup, 23, text, sizeof(text), MF_BYCOMMAND);
  EXPECT_STREQ("E&xit", text);

  UniqueHMenu toolbox(LoadMenuA(module_.get(), MAKEINTRESOURCEA(30)));
  ASSERT_TRUE(toolbox.valid());
  popup = GetSubMenu(toolbox.get(), 0);
  ASSERT_EQ(3, GetMenuItemCount(popup));
  EXPECT_EQ(32u, GetMenuItemID(popup, 0));
  HMENU position = GetSubMenu(popup, 1);
  ASSERT_NE(nullptr, position);
  EXPECT_EQ(33u, GetMenuItemID(position, 0));
  EXPECT_EQ(34u, GetMenuItemID(position, 1));
  EXPECT_EQ(35u, GetMenuItemID(position, 2));
  EXPECT_EQ(36u, GetMenuItemID(popup, 2));
}

TEST_F(QuickdockResources, ButtonPicturesHaveTheirSizesAndDepth) {
  using tray::DockEdge;
  for (DockEdge edge : {DockEdge::kRight, DockEdge::kTop}) {
    for (int button = 1; button <= 6; ++button) {
      for (bool hot : {false, true}) {
        const int id = tray::ButtonBitmapId(edge, button, hot);
        UniqueHBitmap bitmap(static_cast<HBITMAP>(LoadImageA(
            module_.get(), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
        ASSERT_TRUE(bitmap.valid()) << "bitmap " << id;
        DIBSECTION dib = {};
        ASSERT_EQ(static_cast<int>(sizeof(dib)), GetObjectA(bitmap.get(), sizeof(dib), &dib));
        const tray::Extent size = tray::ButtonSize(edge, button);
        EXPECT_EQ(size.width, dib.dsBm.bmWidth) << "bitmap " << id;
        EXPECT_EQ(size.height, dib.dsBm.bmHeight) << "bitmap " << id;
        EXPECT_EQ(24, dib.dsBm.bmBitsPixel) << "bitmap " << id;
        // The first and last buttons carry the rounded ends: their outer corner is silver.
        const auto* pixels = static_cast<const BYTE*>(dib.dsBm.bmBits);
        if (button == 1 || button == 6) {
          // Rows are stored bottom-up; the last button's end is at the bottom on the sides
          // and at the right on the top edge.
          const int row = button == 1 ? size.height - 1 : 0;
          const int column = button == 6 && edge == DockEdge::kTop ? size.width - 1 : 0;
          const BYTE* corner = pixels + row * dib.dsBm.bmWidthBytes + column * 3;
          EXPECT_EQ(192, corner[0]);
          EXPECT_EQ(192, corner[1]);
          EXPECT_EQ(192, corner[2]);
        }
      }
    }
  }
}

TEST_F(QuickdockResources, AboutPictureIconAndDialogsArePresent) {
  UniqueHBitmap about(static_cast<HBITMAP>(
      LoadImageA(module_.get(), MAKEINTRESOURCEA(171), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION)));
  ASSERT_TRUE(about.valid());
  DIBSECTION dib = {};
  GetObjectA(about.get(), sizeof(dib), &dib);
  EXPECT_EQ(64, dib.dsBm.bmWidth);
  EXPECT_EQ(64, dib.dsBm.bmHeight);
  EXPECT_EQ(24, dib.dsBm.bmBitsPixel);
  UniqueHIcon small_icon(static_cast<HICON>(
      LoadImageA(module_.get(), MAKEINTRESOURCEA(151), IMAGE_ICON, 16, 16, 0)));
  EXPECT_TRUE(small_icon.valid());
  EXPECT_NE(nullptr, FindResourceA(module_.get(), MAKEINTRESOURCEA(104), RT_DIALOG));
  EXPECT_NE(nullptr, FindResourceA(module_.get(), MAKEINTRESOURCEA(165), RT_DIALOG));
}

}  // namespace
}  // namespace kvo
