// Numbered stills are written as new files only: a name that is taken is never written
// over nor deleted, and a failed create is never taken for a file of ours.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "camapp_e2e_support.h"
#include "still_file.h"
#include "unique_resource.h"

namespace kvo {
namespace {

using namespace kvo::test;

std::string Contents(const std::string& path) {
  auto bytes = ReadFileBytes(path);
  return bytes ? std::string(bytes->begin(), bytes->end()) : std::string("<none>");
}

TEST(StillFileTest, AFailedCreateIsAnEmptyOwner) {
  const std::string missing = FreshFolder("still_file_owner") + "\\no folder\\IMG000001.jpg";
  UniqueFileHandle file(CreateFileA(missing.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                    FILE_ATTRIBUTE_NORMAL, nullptr));
  EXPECT_FALSE(file.valid()) << "INVALID_HANDLE_VALUE holds nothing";
  EXPECT_EQ(INVALID_HANDLE_VALUE, file.get());
}

TEST(StillFileTest, ANumberTakenMeanwhileMovesTheStillToTheNextOne) {
  const std::string folder = FreshFolder("still_file");
  const std::vector<std::uint8_t> jpeg = {0xFF, 0xD8, 'n', 'e', 'w', 0xFF, 0xD9};
  auto fits = [](const std::string&) { return true; };

  // Another program made IMG000005.jpg between the look for a free number and the write.
  const std::string taken = folder + "\\IMG000005.jpg";
  ASSERT_TRUE(WriteFileBytes(taken, "earlier", 7));
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_EXISTS), WriteNewFile(taken, jpeg));
  EXPECT_EQ("earlier", Contents(taken)) << "the earlier still is neither written nor deleted";

  const NumberedWrite written = WriteNumberedFile(folder, "IMG", 5, ".jpg", jpeg, fits);
  EXPECT_EQ(static_cast<DWORD>(ERROR_SUCCESS), written.error);
  EXPECT_EQ(6u, written.number);
  EXPECT_EQ(folder + "\\IMG000006.jpg", written.path);
  EXPECT_EQ(std::string(jpeg.begin(), jpeg.end()), Contents(written.path));
  EXPECT_EQ("earlier", Contents(taken));

  // A folder that cannot take files: the system's error, nothing left behind.
  const NumberedWrite failed =
      WriteNumberedFile(folder + "\\missing", "IMG", 1, ".jpg", jpeg, fits);
  EXPECT_EQ(static_cast<DWORD>(ERROR_PATH_NOT_FOUND), failed.error);
  EXPECT_FALSE(FileExists(failed.path));

  // A path the window cannot hold is not written.
  const NumberedWrite refused = WriteNumberedFile(
      folder, "IMG", 7, ".jpg", jpeg, [](const std::string& path) { return path.size() < 10; });
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILENAME_EXCED_RANGE), refused.error);
  EXPECT_FALSE(FileExists(folder + "\\IMG000007.jpg"));
}

}  // namespace
}  // namespace kvo
