#pragma once

// The hyperlink tests' dialog: statics that links are put on.
#define IDD_LINK_TEST 300

#define IDC_LINK_TAGGED 1101  // "Static", as the About box's link statics start out
#define IDC_LINK_LEFT 1102    // SS_LEFT text
#define IDC_LINK_CENTER 1103  // SS_CENTER text
#define IDC_LINK_RIGHT 1104   // SS_RIGHT text
#define IDC_LINK_EMPTY 1106   // no text at all
