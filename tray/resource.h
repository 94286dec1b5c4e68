// Resource ids of quickdock.exe, shared by the resource script and the code.
#pragma once

#define IDI_QUICKDOCK 151
#define IDM_TRAY 20
#define IDM_TOOLBOX 30
#define IDD_TOOLBOX 104
#define IDD_ABOUT 165
#define IDB_ABOUT 171
#define IDC_ABOUT_TEXT 1001
#define IDB_FIRST_BUTTON 138

#define IDM_SHOW_TOOLBOX 22
#define IDM_EXIT 23
#define IDM_ABOUT 40012
#define IDM_AUTO_HIDE 32
#define IDM_ON_TOP 33
#define IDM_ON_LEFT 34
#define IDM_ON_RIGHT 35
#define IDM_CLOSE_TOOLBOX 36

#define IDS_CAMERA_OFF 1
#define IDS_MISSING 2
#define IDS_CANNOT_RUN 3
#define IDS_RESTORE_QUESTION 4
#define IDS_ERROR 6
#define IDS_REGISTRATION 8
#define IDS_NOTIFICATION_FAILED 9
#define IDS_REGEDIT_ERROR 10
#define IDS_IMAGE_ERROR 11
#define IDS_TIP 12
#define IDS_ON_RIGHT 13
#define IDS_ON_LEFT 14
#define IDS_ON_TOP 15
#define IDS_AUTO_HIDE 17
#define IDS_VERSION_INFO 30
#define IDS_ABOUT_TITLE 31
