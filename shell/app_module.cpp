#include "shell/app_module.h"

AppModule appModule;

namespace {

// Holds a critical section for one scope.
class Lock {
  public:
    explicit Lock(CRITICAL_SECTION& section) : section_(section) {
        EnterCriticalSection(&section_);
    }
    ~Lock() { LeaveCriticalSection(&section_); }
    Lock(const Lock&) = delete;
    Lock& operator=(const Lock&) = delete;

  private:
    CRITICAL_SECTION& section_;
};

}  // namespace

void AppModule::Initialise(HINSTANCE instanceHandle) {
    instance = instanceHandle;
    InitializeCriticalSection(&loopLock);
    InitializeCriticalSection(&creationLock);
    pendingCreations = nullptr;
}

void AppModule::Shutdown() {
    DeleteCriticalSection(&loopLock);
    DeleteCriticalSection(&creationLock);
}

BOOL AppModule::RegisterLoop(MessageLoop* loop) {
    Lock lock(loopLock);
    return loops != nullptr && loops->Insert(GetCurrentThreadId(), loop);
}

BOOL AppModule::UnregisterLoop() {
    Lock lock(loopLock);
    return loops != nullptr && loops->Erase(GetCurrentThreadId());
}

MessageLoop* AppModule::LoopForThread(DWORD threadId) {
    Lock lock(loopLock);
    return loops != nullptr ? loops->Find(threadId) : nullptr;
}

void AppModule::PushCreation(PendingCreation* record, BoundWindow* object) {
    record->object = object;
    record->thread = GetCurrentThreadId();
    Lock lock(creationLock);
    record->next = pendingCreations;
    pendingCreations = record;
}

BoundWindow* AppModule::TakeCreation() {
    const DWORD thread = GetCurrentThreadId();
    Lock lock(creationLock);
    // Records are pushed at the head, so a thread finds its newest first.
    for (PendingCreation** link = &pendingCreations; *link != nullptr; link = &(*link)->next) {
        PendingCreation* record = *link;
        if (record->thread == thread) {
            *link = record->next;
            return record->object;
        }
    }
    return nullptr;
}

void AppModule::CancelCreation(PendingCreation* record) {
    Lock lock(creationLock);
    for (PendingCreation** link = &pendingCreations; *link != nullptr; link = &(*link)->next) {
        if (*link == record) {
            *link = record->next;
            return;
        }
    }
}
