// Fitdrv.exe's dialog (template 102): the caption, the product's group box, the progress
// list, OK to run the script's commands and Cancel to leave.
#pragma once

#include <windows.h>

#include <string>

namespace kvo::fitdrv {

// Shows the dialog for the script named by command_line and returns when it ends.
INT_PTR RunInstallerDialog(HINSTANCE instance, const std::string& command_line);

}  // namespace kvo::fitdrv
