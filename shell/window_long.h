#pragma once
#include <windows.h>

// Procedures kept in window longs (GWLP_WNDPROC, DWLP_DLGPROC) are
// pointer-sized on every build: these are the only two casts between them.
template <typename Procedure>
LONG_PTR AsWindowLong(Procedure procedure) {
    return reinterpret_cast<LONG_PTR>(procedure);
}

template <typename Procedure>
Procedure FromWindowLong(LONG_PTR value) {
    return reinterpret_cast<Procedure>(value);
}
