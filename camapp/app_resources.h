// Resource ids of KVO_MAIN.exe that the code and the resource script share.
#pragma once

// The program icon: the first icon group of the file, so Explorer shows it for the program;
// the main window and the snapshot viewer use it as their class icon.
#define IDI_KVO_MAIN 1
