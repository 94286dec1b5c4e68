// Where the pictures a skin names are looked up: in the skin file's own folder, never
// outside it. A skin is a file users swap, so a name that would reach another folder, a
// drive, a share or a device is refused and that button is drawn in the skin's colours.
// Plain C++: also built natively and fuzzed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>

namespace kvo::toolkit {

// The longest file path the picture loader opens, with its NUL.
constexpr std::size_t kMaxPictureFilePath = 260;

// The folder of the skin file with its trailing separator; empty for a bare file name.
std::string SkinFolderOf(const std::string& skin_path);

// The file of a caption-button picture: the folder followed by the name. Nothing for an
// empty name, a name that leaves the folder (a root, drive or share, a ".." step, a ':'
// of a drive or stream) and a path longer than the loader opens.
std::optional<std::string> CaptionButtonPicturePath(const std::string& folder,
                                                    const std::string& name);

}  // namespace kvo::toolkit
