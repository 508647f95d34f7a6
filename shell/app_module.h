#pragma once
#include <windows.h>

#include "shell/thread_loop_map.h"

class BoundWindow;
class MessageLoop;

// Announces a window object to the first message of the dialog that its
// thread is about to create. The record lives inside the object; the list
// does not own it.
struct PendingCreation {
    BoundWindow* object = nullptr;
    DWORD thread = 0;
    PendingCreation* next = nullptr;
};

// Process-wide state shared by the shell and the window framework: the
// instance handle, the thread-to-loop map and the window creations in
// progress. Usable from Initialise to Shutdown. Each operation takes one lock,
// touches its list and leaves; no window procedure, filter or idle task ever
// runs under a lock.
class AppModule {
  public:
    AppModule() = default;
    AppModule(const AppModule&) = delete;
    AppModule& operator=(const AppModule&) = delete;

    void Initialise(HINSTANCE instanceHandle);
    void Shutdown();

    // --- Thread-to-loop map (loopLock); the calling thread is the key.
    // FALSE when there is no map or it could not grow.
    BOOL RegisterLoop(MessageLoop* loop);
    BOOL UnregisterLoop();
    MessageLoop* LoopForThread(DWORD threadId);

    // --- Pending creations (creationLock).
    void PushCreation(PendingCreation* record, BoundWindow* object);
    // The newest record of the calling thread, unlinked; null when none.
    BoundWindow* TakeCreation();
    // Unlinks record if it is still in the list: a create call that failed
    // before the window's first message leaves it there.
    void CancelCreation(PendingCreation* record);

    // The module handle; dialog templates and other resources come from it.
    HINSTANCE instance = nullptr;
    // Owned: made by the process entry right after Initialise and freed
    // after the main loop has ended.
    ThreadLoopMap* loops = nullptr;

  private:
    CRITICAL_SECTION loopLock{};      // guards loops and the map
    CRITICAL_SECTION creationLock{};  // guards pendingCreations
    PendingCreation* pendingCreations = nullptr;
};

// The program's one module state.
extern AppModule appModule;
