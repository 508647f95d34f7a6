#include "about/hyper_link.h"

#include <commctrl.h>
#include <shellapi.h>
#include <windowsx.h>

namespace {

POINT PointOf(LPARAM lParam) { return POINT{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)}; }

}  // namespace

void HyperLink::RelayToTooltip(UINT message, WPARAM wParam, LPARAM lParam) {
    if (tooltip == nullptr || (linkStyle & LINKSTYLE_NO_TOOLTIP)) return;
    MSG relayed{Handle(), message, wParam, lParam, 0, POINT{0, 0}};
    SendMessageA(tooltip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&relayed));
}

// Something to activate: a target to open, or a parent to tell.
bool HyperLink::IsLive() const { return target != nullptr || (linkStyle & LINKSTYLE_COMMAND); }

bool HyperLink::InLink(POINT point) const { return PtInRect(&linkRect, point) != FALSE; }

void HyperLink::Repaint(const RECT* area) {
    InvalidateRect(Handle(), area, TRUE);
    UpdateWindow(Handle());
}

BOOL HyperLink::OnMouseMove(LPARAM lParam) {
    const bool hoverMode = (linkStyle & LINKSTYLE_UNDERLINE_ON_HOVER) != 0;
    if (IsLive() && InLink(PointOf(lParam))) {
        SetCursor(handCursor);
        if (hoverMode && !hovered) {
            hovered = true;
            Repaint(&linkRect);
            WatchMouseLeave();
        }
        return TRUE;
    }
    if (hoverMode && hovered) {
        hovered = false;
        Repaint(&linkRect);
    }
    return FALSE;
}

// Asked for on entering the hovered state only: the leave message ends it.
void HyperLink::WatchMouseLeave() {
    TRACKMOUSEEVENT track{sizeof(TRACKMOUSEEVENT), TME_LEAVE, Handle(), 0};
    _TrackMouseEvent(&track);
}

BOOL HyperLink::OnMouseLeave() {
    if ((linkStyle & LINKSTYLE_UNDERLINE_ON_HOVER) && hovered) {
        hovered = false;
        Repaint(&linkRect);
    }
    return TRUE;
}

// Keeps the hand cursor that the mouse move set over the link part.
BOOL HyperLink::OnSetCursor(LRESULT& result) {
    POINT point;
    GetCursorPos(&point);
    ScreenToClient(Handle(), &point);
    if (!IsLive() || !InLink(point)) return FALSE;
    result = 1;
    return TRUE;
}

// A click is a press and a release both on the link part: the capture
// remembers where the press was.
BOOL HyperLink::OnLButtonDown(LPARAM lParam) {
    if (InLink(PointOf(lParam))) {
        SetFocus(Handle());
        SetCapture(Handle());
    }
    return TRUE;
}

BOOL HyperLink::OnLButtonUp(LPARAM lParam) {
    if (GetCapture() == Handle()) {
        ReleaseCapture();
        if (InLink(PointOf(lParam))) OpenTarget();
    }
    return TRUE;
}

// Enter and Space activate; every other character stops here.
BOOL HyperLink::OnChar(WPARAM character) {
    if (character == VK_RETURN || character == VK_SPACE) OpenTarget();
    return TRUE;
}

// The focus rectangle is part of the painted label.
BOOL HyperLink::OnFocusChange() {
    if (!paintsLabel) return FALSE;
    InvalidateRect(Handle(), nullptr, TRUE);
    return TRUE;
}

BOOL HyperLink::OnEnable() {
    Repaint(nullptr);
    return TRUE;
}

// The new font is used for the plain parts from now on; the link font and
// linkRect stay as they were made.
BOOL HyperLink::OnSetFont(WPARAM font, LPARAM redraw) {
    normalFont = reinterpret_cast<HFONT>(font);
    if (redraw != 0) Repaint(nullptr);
    return TRUE;
}

void HyperLink::OnDestroy() {
    if (tooltip != nullptr) DestroyWindow(tooltip);
    tooltip = nullptr;
}

bool HyperLink::OpenTarget() {
    const HWND window = Handle();  // the parent may end the window meanwhile
    const HWND parent = GetParent(window);
    const int id = GetDlgCtrlID(window);
    if ((linkStyle & LINKSTYLE_NOTIFY) == LINKSTYLE_NOTIFY) {
        NMHDR header{window, static_cast<UINT_PTR>(id), static_cast<UINT>(NM_CLICK)};
        SendMessageA(parent, WM_NOTIFY, static_cast<WPARAM>(id), reinterpret_cast<LPARAM>(&header));
        return true;
    }
    if (linkStyle & LINKSTYLE_COMMAND) {
        SendMessageA(parent, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                     reinterpret_cast<LPARAM>(window));
        return true;
    }
    if (target == nullptr) return false;
    const HINSTANCE opened =
        ShellExecuteA(nullptr, "open", target, nullptr, nullptr, SW_SHOWNORMAL);
    if (reinterpret_cast<UINT_PTR>(opened) <= 32) return false;
    visited = true;
    InvalidateRect(window, nullptr, TRUE);
    return true;
}
