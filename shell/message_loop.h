#pragma once
#include <windows.h>

#include "shell/growable_list.h"

// Sees each message before it is translated and dispatched; nonzero means
// the filter consumed it.
class PreDispatchFilter {
  public:
    virtual BOOL FilterMessage(MSG* msg) = 0;

  protected:
    ~PreDispatchFilter() = default;
};

// Runs when the thread's queue has run dry. The loop ignores the result.
class IdleTask {
  public:
    virtual BOOL RunIdle() = 0;

  protected:
    ~IdleTask() = default;
};

// Pumps one thread's messages until WM_QUIT. Filters are asked newest first
// and may consume a message; idle tasks run once each time the queue runs dry
// after a message that counts as activity. Belongs to the thread that pumps
// it, so it has no lock. Filters and tasks are borrowed, never owned.
class MessageLoop {
  public:
    MessageLoop() = default;
    MessageLoop(const MessageLoop&) = delete;
    MessageLoop& operator=(const MessageLoop&) = delete;
    // Not virtual: a loop lives in its runner's frame and is never deleted
    // through a base pointer.
    ~MessageLoop() { ReleaseLists(); }

    // --- Overridable steps of the pump, in this order.
    // TRUE when some filter consumed msg.
    virtual BOOL ApplyFilters(MSG* msg);
    // FALSE stops idle processing until the next message that restarts it.
    virtual BOOL RunIdleTasks(int idleCount);

    // Runs until WM_QUIT and returns its wParam.
    int Pump();

    // No duplicate check: a filter added twice is asked twice.
    BOOL AddFilter(PreDispatchFilter* filter) { return filters.Add(filter); }
    BOOL AddIdleTask(IdleTask* task) { return idleTasks.Add(task); }
    // The idle tasks first, then the filters.
    void ReleaseLists() {
        idleTasks.Release();
        filters.Release();
    }

    // FALSE for the messages that do not mean user activity (painting, mouse
    // movement, the caret's blink timer): they must not wake the idle tasks
    // over and over.
    static BOOL RestartsIdle(const MSG* msg);

  protected:
    GrowableList<PreDispatchFilter> filters;
    GrowableList<IdleTask> idleTasks;
    MSG msg{};  // the message last looked at or taken; filters get its address
};
