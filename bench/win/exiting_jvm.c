/* The VM library of bench/win_startup_bench.py: it imports only kernel32
 * and ends the process as soon as the launcher calls JNI_CreateJavaVM, so
 * that a sample measures the launcher's start up to that call and nothing
 * of a VM's own loading. */
#include <windows.h>

__declspec(dllexport) int __stdcall JNI_GetDefaultJavaVMInitArgs(void* arguments) {
    (void)arguments;
    return 0;
}

__declspec(dllexport) int __stdcall JNI_CreateJavaVM(void** vm, void** env, void* arguments) {
    (void)vm;
    (void)env;
    (void)arguments;
    ExitProcess(0);
}

BOOL WINAPI lumenExitingJvmEntry(HINSTANCE instance, DWORD reason, void* reserved) {
    (void)instance;
    (void)reason;
    (void)reserved;
    return TRUE;
}
