#include "os/thread.h"

#include <windows.h>

#include <process.h>

namespace lumen::os {
namespace {

struct ThreadStart {
    void (*routine)(void*);
    void* argument;
};

unsigned __stdcall threadEntry(void* parameter) {
    const ThreadStart start = *static_cast<ThreadStart*>(parameter);
    delete static_cast<ThreadStart*>(parameter);
    start.routine(start.argument);
    return 0;
}

} // namespace

Thread Thread::start(void (*routine)(void*), void* argument, ThreadPriority priority) {
    auto* start = new ThreadStart{routine, argument};
    // Through the runtime library, so that its per-thread state exists for
    // the routine; created suspended so that the priority holds from its
    // first step.
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, threadEntry, start, CREATE_SUSPENDED, nullptr));
    if (thread == nullptr) {
        delete start;
        return Thread();
    }
    if (priority == ThreadPriority::AboveNormal)
        SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    if (ResumeThread(thread) == static_cast<DWORD>(-1)) {
        // The thread never ran a step of its own: ending it here leaves
        // nothing half done, and the start record is still this side's.
        const DWORD error = GetLastError();
        TerminateThread(thread, 1);
        WaitForSingleObject(thread, INFINITE);
        CloseHandle(thread);
        delete start;
        SetLastError(error);
        return Thread();
    }
    return Thread(thread);
}

void Thread::join() {
    if (handle_ == nullptr) return;
    WaitForSingleObject(static_cast<HANDLE>(handle_), INFINITE);
    release();
}

void Thread::release() {
    if (handle_ != nullptr) CloseHandle(static_cast<HANDLE>(handle_));
    handle_ = nullptr;
}

} // namespace lumen::os
