// What the runtime provisioning shows while it works: the untar and the
// pack200 ticker move the bar, the download also sets the texts and asks
// whether the user wants to stop.
//
// Contract: the progress dialog implements ProgressView (DialogProgressView
// drives the controls of dialog 103 by id: bar 1001, status text 1002,
// message 1003, Cancel button 2); quiet runs pass no view at all.
// setPosition() may be called from a helper thread while the caller's
// thread is blocked, so implementations must tolerate that; everything else
// is called from the start-up worker only. cancelRequested() is polled
// between transfer blocks.
#pragma once

#include <atomic>
#include <string>

namespace lumen {

class ProgressView {
  public:
    virtual ~ProgressView() = default;
    virtual void setPosition(int position) = 0;
    virtual void setStatusText(const std::u16string& text) = 0;
    virtual void showStatus(bool shown) = 0;
    virtual void setMessage(const std::u16string& text) = 0;
    virtual void setCancelCaption(const std::u16string& text) = 0;
    virtual bool cancelRequested() = 0;
};

// The progress dialog's controls. The dialog's Cancel button ends the
// process itself; a dialog that would rather let the transfer stop and
// clean up sets the flag it hands in here.
class DialogProgressView : public ProgressView {
  public:
    explicit DialogProgressView(void* dialog, const std::atomic<bool>* cancel = nullptr)
        : dialog_(dialog), cancel_(cancel) {}
    void setPosition(int position) override;
    void setStatusText(const std::u16string& text) override;
    void showStatus(bool shown) override;
    void setMessage(const std::u16string& text) override;
    void setCancelCaption(const std::u16string& text) override;
    bool cancelRequested() override;

  private:
    void* dialog_;
    const std::atomic<bool>* cancel_;
};

} // namespace lumen
