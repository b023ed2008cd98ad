// The controls of the launcher's own dialogs, addressed by the dialog's
// window and a control id.
//
// Contract: every call only sends a message to the control (or shows or
// hides it), so any thread may use it while the dialog's own thread runs
// its message loop. Texts are UTF-16: the wide calls on NT, the system code
// page elsewhere. A null dialog makes every call do nothing.
#pragma once

#include <string>

namespace lumen::os {

void setControlText(void* dialog, int control, const std::u16string& text);
void showControl(void* dialog, int control, bool shown);
// A progress bar's position within the range it was given.
void setProgressBarPosition(void* dialog, int control, int position);

} // namespace lumen::os
