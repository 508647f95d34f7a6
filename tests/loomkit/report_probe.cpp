// Fails a Boost check through the project's assertion handler, as the
// format library would: the record goes to the debugger, "ERROR_TEMP.txt" in
// the current folder and the shell; a notice box waits for OK; the process
// ends with -1. The test that starts this program drives all of that.
#include <windows.h>

#include <boost/assert.hpp>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    BOOST_ASSERT(false);
    return 0;
}
