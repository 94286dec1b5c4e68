// Resource ids of Fitdrv.exe's dialog and icon.
#pragma once

#define IDD_FITDRV 102
#define IDI_FITDRV 128
#define IDC_PROGRESS_LIST 1000
#define IDC_PRODUCT_GROUP 1001
