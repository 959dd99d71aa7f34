#pragma once

// Shared by the resource script and the code.
#define IDS_MENU_TEXT 1
#define IDS_STATUS_MESSAGE 2
#define IDS_UNINSTALL_QUESTION 3
#define IDS_PLUGIN_NAME 4
#define IDS_PLUGIN_VERSION 5
#define IDS_OPEN_FOLDER 500
#define IDS_NO_MACROS 501
#define IDS_OPEN_FOLDER_WITH_ACCELERATOR 502
