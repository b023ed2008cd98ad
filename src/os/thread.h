// Threads beside the main thread: the launcher's one thread mechanism.
//
// Contract: Thread::start() runs routine(argument) on a new thread with the
// given priority from its first step; the routine owns argument. A Thread
// that is neither joined nor kept lets its thread run on by itself
// (detached) when it goes; join() waits for the routine to return. An
// invalid Thread means the thread could not be created (nothing runs, the
// argument is untouched).
#pragma once

namespace lumen::os {

enum class ThreadPriority { Normal, AboveNormal };

class Thread {
  public:
    Thread() = default;
    ~Thread() { release(); }
    Thread(Thread&& other) noexcept : handle_(other.handle_) { other.handle_ = nullptr; }
    Thread& operator=(Thread&& other) noexcept {
        if (this != &other) {
            release();
            handle_ = other.handle_;
            other.handle_ = nullptr;
        }
        return *this;
    }
    Thread(const Thread&) = delete;
    Thread& operator=(const Thread&) = delete;

    [[nodiscard]] static Thread start(void (*routine)(void*), void* argument,
                                      ThreadPriority priority);
    bool valid() const { return handle_ != nullptr; }
    void join();

  private:
    explicit Thread(void* handle) : handle_(handle) {}
    void release();
    void* handle_ = nullptr;
};

} // namespace lumen::os
