#pragma once

// Dialog templates of the shell's tests.
#define IDD_TEST_WITH_FONT 200  // DS_SETFONT: WM_SETFONT comes before WM_INITDIALOG
#define IDD_TEST_PLAIN 201      // no font: WM_INITDIALOG is the first message
#define IDD_TEST_MISSING 299    // deliberately not in the resource file

#define IDC_TEST_EDIT 1000
