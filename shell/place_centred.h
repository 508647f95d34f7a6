#pragma once
#include <windows.h>

// The top-left corner that centres a box of the given size on target, then
// pulls it inside area: the left (top) edge first, the right (bottom) edge
// only when the first did not apply. So a box larger than area starts at its
// left (top) edge and runs over the other side. Halves truncate toward zero.
POINT CentredPosition(const RECT& box, const RECT& target, const RECT& area);

// Moves window, keeping its size and z-order and not activating it:
// - a child window is centred on centreOn's client area (or its parent's,
//   when centreOn is null) and kept inside the parent's client area;
// - any other window is centred on centreOn (or its owner) when that is
//   visible and not minimised, else on the work area, and kept inside the
//   work area.
// The result is SetWindowPos's.
BOOL PlaceWindowCentred(HWND window, HWND centreOn);
