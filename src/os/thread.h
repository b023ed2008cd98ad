// Threads that run beside the main thread for the life of the process.
//
// Contract: startThread() starts routine(argument) on a new thread that
// nobody joins (its handle is closed at once); the routine owns argument.
// Returns false when the thread could not be created.
#pragma once

namespace lumen::os {

enum class ThreadPriority { Normal, AboveNormal };

bool startThread(void (*routine)(void*), void* argument, ThreadPriority priority);

} // namespace lumen::os
