#include "shell/message_loop.h"

namespace {

// Posted by the system for the caret's blink.
constexpr UINT kSystemTimer = 0x0118;

}  // namespace

int MessageLoop::Pump() {
    for (;;) {
        BOOL idleEnabled = TRUE;
        int idleCount = 0;
        for (;;) {
            // Idle work only while the queue is empty, and only until the
            // tasks say they are done.
            while (idleEnabled && !PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) {
                if (!RunIdleTasks(idleCount++)) idleEnabled = FALSE;
            }

            const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
            if (got == -1) continue;  // skipped; the idle state stays as it was
            if (got == 0) return static_cast<int>(msg.wParam);

            if (!ApplyFilters(&msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (RestartsIdle(&msg)) break;
        }
    }
}

BOOL MessageLoop::ApplyFilters(MSG* message) {
    // A filter may add filters while it runs, so the block is read afresh
    // at every step.
    for (std::int32_t i = filters.count - 1; i >= 0; --i) {
        PreDispatchFilter* filter = filters.data[i];
        if (filter != nullptr && filter->FilterMessage(message)) return TRUE;
    }
    return FALSE;
}

BOOL MessageLoop::RunIdleTasks(int /*idleCount*/) {
    // Tasks added by a running task still get their turn in this pass.
    for (std::int32_t i = 0; i < idleTasks.count; ++i) {
        IdleTask* task = idleTasks.data[i];
        if (task != nullptr) task->RunIdle();
    }
    return FALSE;
}

BOOL MessageLoop::RestartsIdle(const MSG* message) {
    switch (message->message) {
        case WM_PAINT:
        case WM_NCMOUSEMOVE:
        case kSystemTimer:
        case WM_MOUSEMOVE:
            return FALSE;
        default:
            return TRUE;
    }
}
