#include "os/thread.h"

#include <pthread.h>

#include <atomic>

namespace lumen::os {
namespace {

struct ThreadStart {
    void (*routine)(void*);
    void* argument;
    pthread_t thread;
    // Set by the thread when its routine returned and by the owner when it
    // lets the thread go: whoever sets it second frees the block.
    std::atomic<bool> finishedOrDetached{false};
};

void* threadEntry(void* parameter) {
    auto* start = static_cast<ThreadStart*>(parameter);
    start->routine(start->argument);
    if (start->finishedOrDetached.exchange(true, std::memory_order_acq_rel)) delete start;
    return nullptr;
}

} // namespace

// The handle is the ThreadStart: it carries the pthread_t for join() and
// lives until the thread is joined or detached. Priorities are not raised:
// an unprivileged process cannot, and nothing on POSIX needs it.
Thread Thread::start(void (*routine)(void*), void* argument, ThreadPriority /*priority*/) {
    auto* block = new ThreadStart{routine, argument, {}, {false}};
    if (pthread_create(&block->thread, nullptr, threadEntry, block) != 0) {
        delete block;
        return Thread();
    }
    return Thread(block);
}

void Thread::join() {
    if (handle_ == nullptr) return;
    auto* block = static_cast<ThreadStart*>(handle_);
    pthread_join(block->thread, nullptr);
    delete block;
    handle_ = nullptr;
}

void Thread::release() {
    if (handle_ == nullptr) return;
    auto* block = static_cast<ThreadStart*>(handle_);
    pthread_detach(block->thread);
    if (block->finishedOrDetached.exchange(true, std::memory_order_acq_rel)) delete block;
    handle_ = nullptr;
}

} // namespace lumen::os
