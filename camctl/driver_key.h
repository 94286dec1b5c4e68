// The camera driver's registry key: its instance key with the snapshot state and file
// name, and the snapshot file the driver writes when its button is pressed.
#pragma once

#include <string>

#include "kvocmdll.h"
#include "unique_resource.h"

namespace kvo::cm {

// The driver instance's key opened with full access (the state is written through it);
// an empty owner when the driver key, its values or the instance key are missing.
UniqueHKey OpenInstanceKey();

// Id 2001: 0 when a snapshot is pending (state 3) and, with a buffer, its file name was
// copied into the caller's 256 bytes; 1 otherwise.
int ReadSnapshotName(char* buffer);
// Id 2002: writes state 2; 0 when written, 1 without the key or on a failed write.
int MarkSnapshotTaken();
// Id 2003: loads the pending snapshot file into target; 0 on success, 1 when nothing is
// pending, the file cannot be read or it is damaged (the target is then left untouched).
int LoadSnapshotImage(CM_BitmapTarget& target);

// The path of a pending snapshot: "c:\" and the name, in 256 bytes, so the name may have
// at most 252 characters. Empty for a longer name.
std::string SnapshotPathOf(const std::string& name);

}  // namespace kvo::cm
