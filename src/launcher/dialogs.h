// The launcher's dialogs: the progress dialog that carries a start-up
// without the quiet switch, the runtime-not-found dialog with the pick of
// a java.exe, the window-wait thread, and the question after an unfinished
// earlier start.
//
// Contract: runDialogMode() registers "MyDlgClass", shows the progress
// dialog (resource 103) on the calling thread and runs the start-up
// sequence on a worker thread. It ends the process with exit code 0 when
// the dialog ends: by its Cancel button ("Canceled installer" logged), or
// because the start-up sequence returned after the application finished.
// Other threads change the dialog only through messages to its controls
// and by showing or hiding it.
#pragma once

namespace lumen {

constexpr int kProgressBarId = 1001;
constexpr int kStatusTextId = 1002;
constexpr int kMessageTextId = 1003;
constexpr int kDownloadChoice = 1004;
constexpr int kLocatedChoice = 1005;

[[noreturn]] void runDialogMode();

// The runtime-not-found dialog (resource 104), modal on the calling thread
// and owned by `owner`. Returns kDownloadChoice (only when a download is
// offered) or kLocatedChoice (a picked runtime was loaded); its Cancel
// button ends the process with exit code 1.
int showRuntimeDialog(void* owner, bool downloadOffered);

// The open-file dialog for a java.exe; true when LoadDLL accepted the pick,
// which is then remembered among the located runtimes.
bool locateJavaExe(void* owner);

// Starts the window-wait thread (priority above normal): it moves the bar
// on from progressBase while the process shows no window but the progress
// dialog, then hides the dialog; after 600 passes of 100 ms it ends the
// process with message 20014.
void startWindowWaitThread(void* dialog, int progressBase, int progressMax);

// The Yes/No question after an unfinished earlier start; true for Yes.
bool askForManualSelection();

} // namespace lumen
