#include <csignal>
#include <cstdio>

#include "tag_tool.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#endif

int main(int argc, char** argv) {
#ifdef _WIN32
    // Names are bytes: no CR LF translation and no end at Ctrl+Z.
    _setmode(_fileno(stdin), _O_BINARY);
    _setmode(_fileno(stdout), _O_BINARY);
#else
    // A closed pipe is a write error to report, not a signal to die of.
    std::signal(SIGPIPE, SIG_IGN);
#endif
    return RunTagToolCommand(argc, argv, stdin, stdout, stderr);
}
