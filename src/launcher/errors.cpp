#include "launcher/errors.h"

#include "core/report_text.h"
#include "launcher/deletion.h"
#include "launcher/paths.h"
#include "launcher/splash.h"
#include "os/system.h"
#include "os/text.h"
#include "os/ui.h"

namespace lumen {
namespace {

// The log path as the reports show it: its long form when one exists.
bool reportedLogPath(const Launcher& launcher, std::string& path) {
    if (!launcher.log.path(path)) return false;
    std::string longForm;
    if (longPathName(path, longForm) != 0 && !longForm.empty()) path = longForm;
    return true;
}

} // namespace

void scheduleIncludedFilesDeletion(Launcher& launcher) {
    for (const std::string& file : launcher.unpacked.files())
        scheduleFileDeletion(launcher, file);
    for (const std::string& directory : launcher.unpacked.directories())
        scheduleDirectoryDeletion(launcher, directory);
}

void showError(Launcher& launcher, const std::string& text) {
    scheduleIncludedFilesDeletion(launcher);
    hideSplash(launcher);
    std::string path;
    const bool hasPath = reportedLogPath(launcher, path);
    const std::string composed = composeReport(text, hasPath ? &path : nullptr);
    if (launcher.reports.boxesOn.load(std::memory_order_acquire))
        os::errorBox(launcher.reports.owner.load(std::memory_order_acquire), composed,
                     launcher.properties.text(Property::ErrorCaption));
    else
        os::writeStandardError(composed + "\n");
}

void showErrorWide(Launcher& launcher, const std::u16string& text) {
    scheduleIncludedFilesDeletion(launcher);
    hideSplash(launcher);
    std::string path;
    const bool hasPath = reportedLogPath(launcher, path);
    const std::u16string widePath = os::wideFromNarrow(path);
    const std::u16string composed = composeReportWide(text, hasPath ? &widePath : nullptr);
    if (launcher.reports.boxesOn.load(std::memory_order_acquire))
        os::errorBoxWide(launcher.reports.owner.load(std::memory_order_acquire), composed,
                         launcher.properties.wide(Property::UiCaption));
    else
        os::writeStandardErrorWide(composed + u"\n");
}

void showMessage(Launcher& launcher, Property message, const std::string& placeholder,
                 const std::string& replacement) {
    std::string text = launcher.properties.text(message);
    if (!placeholder.empty()) replaceFirst(text, placeholder, replacement);
    showError(launcher, text);
}

void reportFailure(Launcher& launcher, const Failure& failure) {
    switch (failure.report) {
    case Failure::Report::None:
        break;
    case Failure::Report::Text:
        showError(launcher, failure.text);
        break;
    case Failure::Report::Message:
        showMessage(launcher, failure.message, failure.placeholder, failure.replacement);
        break;
    case Failure::Report::WideMessage:
        showErrorWide(launcher, launcher.properties.wide(failure.message));
        break;
    case Failure::Report::FilesDamaged:
        // The progress dialog shows the message on its own, without the
        // log line; a start-up without it reports as usual.
        if (launcher.progressDialog != nullptr) {
            hideSplash(launcher);
            os::errorBoxWide(launcher.progressDialog, launcher.properties.wide(failure.message),
                             launcher.properties.wide(Property::UiCaption));
            scheduleIncludedFilesDeletion(launcher);
        } else {
            showErrorWide(launcher, launcher.properties.wide(failure.message));
        }
        break;
    case Failure::Report::SystemBox:
        hideSplash(launcher);
        os::errorBox(nullptr, failure.text, failure.caption);
        scheduleIncludedFilesDeletion(launcher);
        break;
    }
}

void exitWithFailure(Launcher& launcher, const Failure& failure) {
    if (!failure.reported) reportFailure(launcher, failure);
    if (failure.report == Failure::Report::None && failure.cleanup)
        scheduleIncludedFilesDeletion(launcher);
    os::exitProcess(failure.exitCode);
}

void setErrorOwner(Launcher& launcher, void* window) {
    launcher.reports.owner.store(window, std::memory_order_release);
}

void releaseErrorOwner(Launcher& launcher, void* window) {
    launcher.reports.owner.compare_exchange_strong(window, nullptr, std::memory_order_acq_rel);
}

void disableErrorBoxes(Launcher& launcher) {
    launcher.reports.boxesOn.store(false, std::memory_order_release);
}

} // namespace lumen
