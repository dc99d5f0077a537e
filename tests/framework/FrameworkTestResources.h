// Resource identifiers of the framework tests' own dialogs.
#pragma once

#define IDD_TEST_DIALOG 201
#define IDD_TEST_MODAL 202
#define IDI_TEST_ICON 204

#define IDC_TEST_LIST 301
#define IDC_TEST_EDIT 302
#define IDC_TEST_BUTTON 303
