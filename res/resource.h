// Resource identifiers, shared by the resource script and the code.
#pragma once

#define IDD_MAIN 101
#define IDR_MAIN_MENU 103
#define IDI_OSTREL 104
#define IDR_ACCELERATORS 105
#define IDD_ABOUT 106

#define IDC_RESULT_LIST 1001
#define IDC_STATUS_BAR 1002
#define IDC_SEARCH_EDIT 1005
#define IDC_ABOUT_NAME 1011
#define IDC_ABOUT_VERSION 1012
#define IDC_ABOUT_LINK 1010

#define ID_FILE_EXIT 40003
#define ID_HELP_ABOUT 40004
#define ID_SHOW_SEARCH 40005
#define ID_HIDE_SEARCH 40007
#define ID_FILE_ADD_TO_EXPLORER 40010
#define ID_REFRESH 40011
#define ID_FILE_REMOVE_FROM_EXPLORER 40016
