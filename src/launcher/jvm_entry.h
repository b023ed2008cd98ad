// The JVM's creation entry point, handed over by the library loader and
// kept for the launch. Written and read on the start-up thread only.
#pragma once

namespace lumen {
void setCreateJavaVmFunction(void* function);
void* createJavaVmFunction();
} // namespace lumen
