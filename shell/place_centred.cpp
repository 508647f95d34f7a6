#include "shell/place_centred.h"

namespace {

// The near edge that centres length on the span [low, high), kept inside
// [areaLow, areaHigh): the near edge wins when both cannot be met.
LONG CentreAndClamp(LONG length, LONG low, LONG high, LONG areaLow, LONG areaHigh) {
    LONG start = (low + high) / 2 - length / 2;
    if (start < areaLow) {
        start = areaLow;
    } else if (start + length > areaHigh) {
        start = areaHigh - length;
    }
    return start;
}

bool ShowsOnScreen(HWND window) {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    return (style & WS_VISIBLE) != 0 && (style & WS_MINIMIZE) == 0;
}

}  // namespace

POINT CentredPosition(const RECT& box, const RECT& target, const RECT& area) {
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    return POINT{CentreAndClamp(width, target.left, target.right, area.left, area.right),
                 CentreAndClamp(height, target.top, target.bottom, area.top, area.bottom)};
}

BOOL PlaceWindowCentred(HWND window, HWND centreOn) {
    const LONG style = GetWindowLongA(window, GWL_STYLE);
    const bool child = (style & WS_CHILD) != 0;
    if (centreOn == nullptr) centreOn = child ? GetParent(window) : GetWindow(window, GW_OWNER);

    RECT box{};
    GetWindowRect(window, &box);
    RECT area{};
    RECT target{};
    if (child) {
        // SetWindowPos places a child in its parent's client coordinates.
        const HWND parent = GetParent(window);
        GetClientRect(parent, &area);
        GetClientRect(centreOn, &target);
        MapWindowPoints(centreOn, parent, reinterpret_cast<POINT*>(&target), 2);
    } else {
        if (centreOn != nullptr && !ShowsOnScreen(centreOn)) centreOn = nullptr;
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &area, 0);
        if (centreOn != nullptr) {
            GetWindowRect(centreOn, &target);
        } else {
            target = area;
        }
    }
    const POINT at = CentredPosition(box, target, area);
    return SetWindowPos(window, nullptr, at.x, at.y, -1, -1,
                        SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
