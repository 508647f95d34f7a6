#include "about/hyper_link.h"

// WM_PAINT and WM_PRINTCLIENT alike: into the DC that came with the message,
// or into the window's own.
BOOL HyperLink::OnPaint(HDC given) {
    if (!paintsLabel) return FALSE;  // a picture static paints itself
    if (given != nullptr) {
        Paint(given);
    } else {
        PAINTSTRUCT paint;
        const HDC dc = BeginPaint(Handle(), &paint);
        Paint(dc);
        EndPaint(Handle(), &paint);
    }
    return TRUE;
}

void HyperLink::Paint(HDC dc) {
    PaintBackground(dc);
    PaintLabel(dc);
}

// The parent chooses the background brush and the plain text's colour, as it
// does for its other statics.
void HyperLink::PaintBackground(HDC dc) {
    const auto brush = reinterpret_cast<HBRUSH>(SendMessageA(GetParent(Handle()), WM_CTLCOLORSTATIC,
                                                             reinterpret_cast<WPARAM>(dc),
                                                             reinterpret_cast<LPARAM>(Handle())));
    if (brush == nullptr) return;
    RECT client;
    GetClientRect(Handle(), &client);
    FillRect(dc, &client, brush);
}

COLORREF HyperLink::CurrentLinkColor() const {
    if (!IsWindowEnabled(Handle())) return GetSysColor(COLOR_GRAYTEXT);
    return visited ? visitedColor : linkColor;
}

HFONT HyperLink::CurrentLinkFont() const {
    const bool underlineNow = !(linkStyle & LINKSTYLE_UNDERLINE_ON_HOVER) || hovered;
    return linkFont != nullptr && underlineNow ? linkFont : normalFont;
}

void HyperLink::PaintLabel(HDC dc) {
    const char* text = label != nullptr ? label : target;
    if (text == nullptr) return;
    SetBkMode(dc, TRANSPARENT);
    if (linkStyle & LINKSTYLE_TAGS) {
        PaintTaggedLabel(dc, text);
    } else {
        PaintPlainLabel(dc, text);
    }
}

// Plain part in the parent's text colour, link part in the link colour over
// linkRect, tail from the link part's top right corner on.
void HyperLink::PaintTaggedLabel(HDC dc, const char* text) {
    const LabelParts parts = SplitLabel(text);
    RECT client;
    GetClientRect(Handle(), &client);
    const HGDIOBJ oldFont = SelectObject(dc, normalFont);
    if (parts.plainLength > 0) {
        RECT plainRect = client;
        DrawTextA(dc, parts.plain, parts.plainLength, &plainRect, DT_WORDBREAK);
    }

    const COLORREF oldColor = SetTextColor(dc, CurrentLinkColor());
    SelectObject(dc, CurrentLinkFont());
    if (parts.linkLength > 0) {
        RECT linkPart = linkRect;
        DrawTextA(dc, parts.link, parts.linkLength, &linkPart, DT_WORDBREAK);
    }
    SetTextColor(dc, oldColor);
    SelectObject(dc, normalFont);

    if (parts.tailLength > 0) {
        RECT tailRect{linkRect.right, linkRect.top, client.right, client.bottom};
        DrawTextA(dc, parts.tail, parts.tailLength, &tailRect, DT_WORDBREAK);
    }
    if (GetFocus() == Handle()) DrawFocusRect(dc, &linkRect);
    SelectObject(dc, oldFont);
}

// The whole text is the link, drawn where MeasureLink placed it.
void HyperLink::PaintPlainLabel(HDC dc, const char* text) {
    const COLORREF oldColor = SetTextColor(dc, CurrentLinkColor());
    const HGDIOBJ oldFont = SelectObject(dc, CurrentLinkFont());
    RECT linkPart = linkRect;
    DrawTextA(dc, text, -1, &linkPart, DT_WORDBREAK | AlignmentFlag());
    if (GetFocus() == Handle()) DrawFocusRect(dc, &linkRect);
    SetTextColor(dc, oldColor);
    SelectObject(dc, oldFont);
}
