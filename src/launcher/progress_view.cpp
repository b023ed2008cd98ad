#include "launcher/progress_view.h"

#include "launcher/dialogs.h"
#include "os/window.h"

namespace lumen {
namespace {

constexpr int kCancelButton = 2; // the dialog's IDCANCEL

} // namespace

void DialogProgressView::setPosition(int position) {
    os::setProgressPosition(dialog_, kProgressBarId, position);
}
void DialogProgressView::setStatusText(const std::u16string& text) {
    os::setDlgItemTextWide(dialog_, kStatusTextId, text);
}
void DialogProgressView::showStatus(bool shown) {
    os::showDialogItem(dialog_, kStatusTextId, shown);
}
void DialogProgressView::setMessage(const std::u16string& text) {
    os::setDlgItemTextWide(dialog_, kMessageTextId, text);
}
void DialogProgressView::setCancelCaption(const std::u16string& text) {
    os::setDlgItemTextWide(dialog_, kCancelButton, text);
}
bool DialogProgressView::cancelRequested() {
    return cancel_ != nullptr && cancel_->load(std::memory_order_acquire);
}

} // namespace lumen
