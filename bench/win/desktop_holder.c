/* Keeps Wine's desktop process alive for a benchmark run: it makes one
 * window that is never shown (which starts the desktop) and then waits
 * until the benchmark ends the prefix's processes. Without it each sample
 * would pay the desktop's start and end. */
#include <windows.h>

int WINAPI WinMain(HINSTANCE instance, HINSTANCE previous, LPSTR line, int show) {
    (void)previous;
    (void)line;
    (void)show;
    HWND window = CreateWindowExA(0, "STATIC", "lumen desktop holder", WS_OVERLAPPED, 0, 0, 1, 1,
                                  NULL, NULL, instance, NULL);
    if (window == NULL) return 1;
    MSG message;
    while (GetMessageA(&message, NULL, 0, 0) > 0)
        DispatchMessageA(&message);
    return 0;
}
