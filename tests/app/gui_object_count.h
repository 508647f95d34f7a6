#pragma once
// Counts of the window system's objects that this test program's code made
// and has not yet given back. Fonts and cursors are counted by routing the
// program's own calls of their creation and destruction functions through
// here at link time (ld's --wrap on their import slots); windows made by a
// CBT hook, which the system calls for every creation (the windows that
// still exist are for the test to enumerate). Each subclass and dialog
// procedure runs through code in a page of its own, so the pages from
// VirtualAlloc count the subclasses made and not yet undone. Nothing of the code under test
// is changed or trusted.
#include <windows.h>

namespace zentrail::test {

struct GuiObjects {
    long fontsMade = 0;
    long fontsLive = 0;
    long cursorsMade = 0;
    long cursorsLive = 0;
    long windowsMade = 0;
    long codePagesMade = 0;
    long codePagesLive = 0;
};

GuiObjects CountedGuiObjects();

// Counts the windows this thread makes while it lives.
class WindowCounter {
  public:
    WindowCounter();
    ~WindowCounter();
    WindowCounter(const WindowCounter&) = delete;
    WindowCounter& operator=(const WindowCounter&) = delete;

  private:
    HHOOK hook_;
};

}  // namespace zentrail::test
