#include "launcher/progress_view.h"

#include "os/dialog_controls.h"

namespace lumen {
namespace {

constexpr int kProgressBar = 1001;
constexpr int kStatusText = 1002;
constexpr int kMessageText = 1003;
constexpr int kCancelButton = 2;

} // namespace

void DialogProgressView::setPosition(int position) {
    os::setProgressBarPosition(dialog_, kProgressBar, position);
}
void DialogProgressView::setStatusText(const std::u16string& text) {
    os::setControlText(dialog_, kStatusText, text);
}
void DialogProgressView::showStatus(bool shown) {
    os::showControl(dialog_, kStatusText, shown);
}
void DialogProgressView::setMessage(const std::u16string& text) {
    os::setControlText(dialog_, kMessageText, text);
}
void DialogProgressView::setCancelCaption(const std::u16string& text) {
    os::setControlText(dialog_, kCancelButton, text);
}
bool DialogProgressView::cancelRequested() {
    return cancel_ != nullptr && cancel_->load(std::memory_order_acquire);
}

} // namespace lumen
