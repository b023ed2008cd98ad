#include "os/window.h"

namespace lumen::os {

// The POSIX launcher has no windows of its own and counts none of the
// application's: the window-wait and splash parts never run there, and a
// later instance has nothing to bring to the front.
size_t countVisibleWindows(unsigned long /*processId*/,
                           std::initializer_list<Window> /*excluded*/) {
    return 0;
}

void bringProcessToFront(unsigned long /*processId*/, bool /*restoreMinimised*/) {}

Window lookUpConsoleWindow() {
    return nullptr;
}

// The controls of a progress dialog that never exists there.
void setProgressRange(Window /*dialog*/, int /*id*/, int /*maximum*/) {}
void setProgressPosition(Window /*dialog*/, int /*id*/, int /*position*/) {}
void setDlgItemTextWide(Window /*dialog*/, int /*id*/, const std::u16string& /*text*/) {}
void showDialogItem(Window /*dialog*/, int /*id*/, bool /*visible*/) {}

} // namespace lumen::os
