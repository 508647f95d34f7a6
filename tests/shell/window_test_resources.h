#pragma once

// Dialog templates of the window tests.
#define IDD_TEST_WITH_FONT 200  // DS_SETFONT: WM_SETFONT comes before WM_INITDIALOG
#define IDD_TEST_PLAIN 201      // no font: WM_INITDIALOG is the first message
#define IDD_TEST_MISSING 299    // deliberately not in the resource file
#define IDD_LINK_TEST 300       // statics that links are put on

#define IDC_LINK_TAGGED 1101  // "Static", as the About box's link statics start out
#define IDC_LINK_LEFT 1102    // SS_LEFT text
#define IDC_LINK_CENTER 1103  // SS_CENTER text
#define IDC_LINK_RIGHT 1104   // SS_RIGHT text
#define IDC_LINK_EMPTY 1106   // no text at all
