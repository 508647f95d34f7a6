#include "about/hyper_link.h"

namespace {

// Tags match without regard to case ("<a>" as well as "<A>").
bool TagAt(const char* text, const char* tag, int length) {
    return CompareStringA(LOCALE_USER_DEFAULT, NORM_IGNORECASE, text, length, tag, length) ==
           CSTR_EQUAL;
}

}  // namespace

LabelParts SplitLabel(const char* text) {
    LabelParts parts;
    if (text == nullptr) return parts;
    const int length = lstrlenA(text);
    int open = -1;  // position of "<A>"
    for (int i = 0; i < length; ++i) {
        if (text[i] != '<') continue;
        if (open < 0) {
            if (i + 3 <= length && TagAt(text + i, "<A>", 3)) {
                if (i > 0) {
                    parts.plain = text;
                    parts.plainLength = i;
                }
                parts.link = text + i + 3;
                open = i;
            }
        } else if (i + 4 <= length && TagAt(text + i, "</A>", 4)) {
            parts.linkLength = i - open - 3;
            if (i + 4 < length) {
                parts.tail = text + i + 4;
                parts.tailLength = length - i - 4;
            }
            break;
        }
    }
    return parts;
}

UINT HyperLink::AlignmentFlag() const {
    switch (GetWindowLongA(Handle(), GWL_STYLE) & SS_TYPEMASK) {
        case SS_CENTER:
            return DT_CENTER;
        case SS_RIGHT:
            return DT_RIGHT;
        default:
            return 0;
    }
}

bool HyperLink::MeasureLink() {
    const HWND window = Handle();
    if (!IsWindow(window) || (label == nullptr && target == nullptr)) return false;
    RECT client;
    GetClientRect(window, &client);
    linkRect = client;
    if (!paintsLabel) return true;  // a picture static: all of it is the link

    const HDC dc = GetDC(window);
    const char* text = label != nullptr ? label : target;
    const HFONT measureFont = linkFont != nullptr ? linkFont : normalFont;
    if (linkStyle & LINKSTYLE_TAGS) {
        const LabelParts parts = SplitLabel(text);
        const HGDIOBJ oldFont = SelectObject(dc, normalFont);
        RECT plainRect = client;
        if (parts.plainLength > 0) {
            DrawTextA(dc, parts.plain, parts.plainLength, &plainRect, DT_CALCRECT | DT_WORDBREAK);
        }
        SelectObject(dc, measureFont);
        RECT linkPart = client;
        if (parts.plainLength > 0) linkPart.left = plainRect.right;
        if (parts.linkLength > 0) {
            DrawTextA(dc, parts.link, parts.linkLength, &linkPart, DT_CALCRECT | DT_WORDBREAK);
        } else {
            // No link text: nothing to click, rather than the rest of the control.
            linkPart.right = linkPart.left;
            linkPart.bottom = linkPart.top;
        }
        SelectObject(dc, oldFont);
        linkRect = linkPart;
    } else {
        const HGDIOBJ oldFont = SelectObject(dc, measureFont);
        const UINT alignment = AlignmentFlag();
        DrawTextA(dc, text, -1, &linkRect, DT_CALCRECT | DT_WORDBREAK | alignment);
        SelectObject(dc, oldFont);
        // The measured rectangle starts at the left edge; move it where the
        // static's alignment draws the text.
        if (alignment == DT_CENTER) {
            OffsetRect(&linkRect, (client.right - linkRect.right) / 2, 0);
        } else if (alignment == DT_RIGHT) {
            OffsetRect(&linkRect, client.right - linkRect.right, 0);
        }
    }
    ReleaseDC(window, dc);
    return true;
}
