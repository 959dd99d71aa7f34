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
// The item that runs the macro run last again; %1 is the file's name.
#define IDS_RUN_AGAIN 503

// The same texts in English, for an editor whose interface is in any other
// language than Japanese; the name and the version are the same in both.
#define IDS_MENU_TEXT_ENGLISH 1001
#define IDS_STATUS_MESSAGE_ENGLISH 1002
#define IDS_UNINSTALL_QUESTION_ENGLISH 1003
#define IDS_OPEN_FOLDER_ENGLISH 1500
#define IDS_NO_MACRO_FOLDER_ENGLISH 1501
#define IDS_OPEN_FOLDER_WITH_ACCELERATOR_ENGLISH 1502
#define IDS_RUN_AGAIN_ENGLISH 1503
