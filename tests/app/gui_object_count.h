#pragma once
// Counts of the window system's objects that this test program's code made
// and has not yet given back. Fonts and cursors are counted by routing the
// program's own calls of their creation and destruction functions through
// here at link time (ld's --wrap on their import slots). Each subclass and dialog
// procedure runs through code in a page of its own, so the pages from
// VirtualAlloc count the subclasses made and not yet undone. Nothing of the
// code under test is changed or trusted. The size of a resource can be made
// to look other than it is, the same way.
#include <windows.h>

namespace zentrail::test {

struct GuiObjects {
    long fontsMade = 0;
    long fontsLive = 0;
    long cursorsMade = 0;
    long cursorsLive = 0;
    long codePagesMade = 0;
    long codePagesLive = 0;
};

GuiObjects CountedGuiObjects();

// The size that SizeofResource gives the code under test from now on; -1
// gives the real size again.
void PretendResourceSize(long size);

}  // namespace zentrail::test
