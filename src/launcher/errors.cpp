#include "launcher/errors.h"

#include <atomic>

#include "core/report_text.h"
#include "launcher/deletion.h"
#include "launcher/included_files.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "launcher/splash.h"
#include "os/system.h"
#include "os/text.h"
#include "os/ui.h"

namespace lumen {
namespace {

bool boxesOn = true; // switched off before any other thread exists
std::atomic<void*> owner{nullptr};

// The log path as the reports show it: its long form when one exists.
bool reportedLogPath(std::string& path) {
    if (!logFilePath(path)) return false;
    std::string longForm;
    if (longPathName(path, longForm) != 0 && !longForm.empty()) path = longForm;
    return true;
}

} // namespace

void scheduleIncludedFilesDeletion() {
    for (const std::string& file : unpackedFiles())
        scheduleFileDeletion(file);
    for (const std::string& directory : unpackedDirectories())
        scheduleDirectoryDeletion(directory);
}

void showError(const std::string& text) {
    scheduleIncludedFilesDeletion();
    hideSplash();
    std::string path;
    const bool hasPath = reportedLogPath(path);
    const std::string composed = composeReport(text, hasPath ? &path : nullptr);
    if (boxesOn)
        os::errorBox(owner.load(), composed, stringProperty(1000));
    else
        os::writeStandardError(composed + "\n");
}

void showErrorWide(const std::u16string& text) {
    scheduleIncludedFilesDeletion();
    hideSplash();
    std::string path;
    const bool hasPath = reportedLogPath(path);
    const std::u16string widePath = os::wideFromNarrow(path);
    const std::u16string composed = composeReportWide(text, hasPath ? &widePath : nullptr);
    if (boxesOn)
        os::errorBoxWide(owner.load(), composed, wideProperty(20013));
    else
        os::writeStandardErrorWide(composed + u"\n");
}

void showMessage(int id, const char* placeholder, const std::string& replacement) {
    std::string text = stringProperty(id);
    if (placeholder != nullptr) replaceFirst(text, placeholder, replacement);
    showError(text);
}

void fatalError(const std::string& text) {
    showError(text);
    os::exitProcess(1);
}

void fatalMessage(int id, const char* placeholder, const std::string& replacement) {
    showMessage(id, placeholder, replacement);
    os::exitProcess(1);
}

void fatalMessageWide(int id) {
    showErrorWide(wideProperty(id));
    os::exitProcess(1);
}

void exitWithCleanup(unsigned code) {
    scheduleIncludedFilesDeletion();
    os::exitProcess(code);
}

void setErrorOwner(void* window) {
    owner.store(window);
}
void releaseErrorOwner(void* window) {
    owner.compare_exchange_strong(window, nullptr);
}
void disableErrorBoxes() {
    boxesOn = false;
}
bool errorBoxesOn() {
    return boxesOn;
}

} // namespace lumen
