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

bool startThread(void (*routine)(void*), void* argument, ThreadPriority priority) {
    auto* start = new ThreadStart{routine, argument};
    // Through the runtime library, so that its per-thread state exists for
    // the routine; created suspended so that the priority holds from its
    // first step.
    HANDLE thread = reinterpret_cast<HANDLE>(
        _beginthreadex(nullptr, 0, threadEntry, start, CREATE_SUSPENDED, nullptr));
    if (thread == nullptr) {
        delete start;
        return false;
    }
    if (priority == ThreadPriority::AboveNormal)
        SetThreadPriority(thread, THREAD_PRIORITY_ABOVE_NORMAL);
    ResumeThread(thread);
    CloseHandle(thread);
    return true;
}

} // namespace lumen::os
