// Resource and control ids of Zentrail. Plain macros, so that the resource
// script and the C++ code share one definition; no includes, so portable code
// may use the control ids too.
#ifndef ZENTRAIL_RES_RESOURCE_IDS_H
#define ZENTRAIL_RES_RESOURCE_IDS_H

// Dialog templates.
#define IDD_MAIN 129
#define IDD_ABOUT 100

// Icons: the program's own (tag) and the About box's second one (speech bubble).
#define IDI_MAIN 128
#define IDI_BUBBLE 202

// Controls without an id of their own (group boxes, labels, icons).
#define IDC_STATIC (-1)

// Main dialog (IDOK is the Copy button, IDCANCEL the Close button).
#define IDC_NAME_FIELD 1000
#define IDC_TAG_FIELD 1001
#define IDC_OUTPUT_FIELD 1002
#define IDC_ABOUT 0xE140

// About dialog (IDOK is the OK button).
#define IDC_VERSION_TEXT 1030
#define IDC_WEBLOG_LINK 1031
#define IDC_BOOKLOG_LINK 1032
#define IDC_SHOP_LINK 1033

#endif
