// The launcher's dialogs: the progress dialog that carries a start-up
// without the quiet switch, the runtime-not-found dialog with the pick of
// a java.exe, the window-wait thread, and the question after an unfinished
// earlier start.
//
// Contract: runDialogMode() registers the progress dialog's window class,
// shows the progress dialog (resource 103) on the calling thread and runs
// the start-up sequence on a worker thread. It answers how the process is
// to end once the dialog ends: with 0 and no clean-up by its Cancel button
// ("Canceled installer" logged) or because the start-up returned after the
// application finished; otherwise with the failure that ended the start-up
// or the window wait, already reported (with the dialog as the message
// boxes' owner) on the thread that met it. Other threads change the dialog
// only through messages to its controls and by showing or hiding it.
//
// With the splash at start-up (Launcher::splash.atStartup) the progress
// dialog is created all the same, as the owner of the launcher's other
// windows and the holder of the progress, but stays hidden: the splash
// screen shows from the dialog's creation on, and the start-up waits (up to
// 3 s) for it before it unpacks anything.
#pragma once

#include "launcher/failure.h"
#include "launcher/launcher.h"

namespace lumen {

constexpr int kProgressBarId = 1001;
constexpr int kStatusTextId = 1002;
constexpr int kMessageTextId = 1003;
constexpr int kDownloadChoice = 1004;
constexpr int kLocatedChoice = 1005;

[[nodiscard]] Failure runDialogMode(Launcher& launcher);

enum class RuntimeChoice { Download, Located };

// The runtime-not-found dialog (resource 104), modal on the calling thread
// and owned by `owner`. Answers Download (only when a download is offered)
// or Located (a picked runtime was loaded); its Cancel button fails with
// exit code 1, a dialog that cannot be shown with message 1001.
[[nodiscard]] Result<RuntimeChoice> showRuntimeDialog(Launcher& launcher, void* owner,
                                                      bool downloadOffered);

// The open-file dialog for a java.exe; true when the loader accepted the
// pick, which is then remembered among the located runtimes.
[[nodiscard]] Result<bool> locateJavaExe(Launcher& launcher, void* owner);

// Shows the progress dialog that the splash at start-up keeps hidden (for
// a download's progress), or hides it again.
void revealProgressDialog(void* dialog, bool shown);

// Starts the window-wait thread (priority above normal): it moves the bar
// on from progressBase while the process shows no window of the
// application's (the launcher's own do not count), then hides the dialog;
// after 600 passes of 100 ms it reports message 20014 and ends the dialog
// mode with exit code 1.
void startWindowWaitThread(Launcher& launcher, void* dialog, int progressBase, int progressMax);

// The Yes/No question after an unfinished earlier start; true for Yes.
bool askForManualSelection(Launcher& launcher);

} // namespace lumen
