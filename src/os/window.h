// Windows of the launcher's process: counting and activating a process's
// top-level windows, the console window, centring, UTF-16 window texts and
// the control operations that the dialogs' worker threads use.
//
// Contract: a Window is a top-level or dialog window handle (null for none).
// The enumerations keep their search state on the caller's stack, so they
// may run on several threads at once. The text setters use the UTF-16
// calls. The control operations only send messages to the
// control, so any thread may call them while the dialog's own thread runs
// its message loop.
#pragma once

#include <cstddef>
#include <initializer_list>
#include <string>

namespace lumen::os {

using Window = void*;

// Visible top-level windows owned by the process, the `excluded` ones not
// counted (null entries exclude nothing).
size_t countVisibleWindows(unsigned long processId, std::initializer_list<Window> excluded);
// Activates every visible top-level window of the process (restoring
// minimised ones when asked), in enumeration order.
void bringProcessToFront(unsigned long processId, bool restoreMinimised);
// The console window of this process, found by giving the console a unique
// title for a moment (40 ms) and restoring the old one; null when the
// process has no console or any step fails.
Window lookUpConsoleWindow();
// Centres the window on its parent (the desktop when it has none), at the
// top of the z-order, without changing its size.
void centreWindow(Window window);

void setWindowTextWide(Window window, const std::u16string& text);
void setDlgItemTextWide(Window dialog, int id, const std::u16string& text);
std::u16string windowTextWide(Window window);

void showWindow(Window window, bool visible);
void showDialogItem(Window dialog, int id, bool visible);
void setProgressRange(Window dialog, int id, int maximum);
void setProgressPosition(Window dialog, int id, int position);

// A Yes/No question with the warning icon and no owner; true for Yes.
bool askYesNoWarning(const std::u16string& text, const std::u16string& caption);

// Registers the common controls' window classes (the dialogs' progress
// bar). The controls' library is loaded here, from the system, rather than
// imported: a start that shows no dialog never pays for it. False when it
// cannot be loaded (the dialog then fails to show, with the error logged).
bool loadCommonControls();

// The system's open-file dialog for one existing file (its library loaded
// from the system on first use); false when the user cancels or the
// dialog's library cannot be loaded. `filterName` and `pattern` make its single filter entry.
bool pickExistingFile(Window owner, const std::string& title, const std::string& filterName,
                      const std::string& pattern, std::string& path);

} // namespace lumen::os
