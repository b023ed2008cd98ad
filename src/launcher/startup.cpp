#include "launcher/startup.h"

#include "core/window_math.h"
#include "launcher/arguments.h"
#include "launcher/deletion.h"
#include "launcher/dialogs.h"
#include "launcher/download.h"
#include "launcher/entry.h"
#include "launcher/errors.h"
#include "launcher/extraction.h"
#include "launcher/included_files.h"
#include "launcher/jvm_launch.h"
#include "launcher/jvm_loader.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "launcher/runtime_archive.h"
#include "os/env.h"
#include "os/paths.h"
#include "os/system.h"
#include "os/ui.h"
#include "os/window.h"

namespace lumen {
namespace {

constexpr unsigned kNoRuntimeExitCode = 83;

void enterExtractionDirectory(const std::string& directory) {
    if (!os::setCurrentDirectory(directory))
        logError("Could not change working dir to %s", directory.c_str());
}

} // namespace

void runStartup(void* dialog, bool reportMissingRuntime) {
    logInfo("Starting work");
    if (dialog != nullptr) os::setProgressPosition(dialog, kProgressBarId, 1);
    std::string directory;
    if (!extractIncludedFiles(directory)) {
        // Quiet runs have no dialog to show the message in; they still say it.
        if (dialog != nullptr)
            os::errorBoxWide(dialog, wideProperty(20016), wideProperty(20013));
        else
            showErrorWide(wideProperty(20016));
        exitWithCleanup(1);
    }
    setExtractionDirectory(directory);
    enterExtractionDirectory(directory);

    std::string current;
    os::currentDirectory(current);
    logInfo("Current working dir: %s", current.c_str());
    std::string archive;
    if (!os::absolutePath("jre.tar.gz", archive)) archive = "jre.tar.gz";
    logInfo("Full JRE path: %s", archive.c_str());
    bool runtimeShipped = fileExists(archive);
    logInfo(runtimeShipped ? "JRE included" : "No JRE included");

    if (!runtimeShipped) {
        writeInstallStarted();
        if (launchState().manualSelection || !LoadDLL(false, nullptr, false)) {
            if (dialog == nullptr) {
                logError("No JRE found");
                if (reportMissingRuntime)
                    showMessage(1001);
                else
                    os::writeStandardOutput("no jre found\n");
                exitWithCleanup(kNoRuntimeExitCode);
            }
            const std::string address = stringProperty(150);
            const bool downloadOffered = !address.empty();
            logInfo("Download location: %s", address.c_str());
            if (showRuntimeDialog(dialog, downloadOffered) == kDownloadChoice) {
                logInfo("Downloading JRE");
                DialogProgressView progress(dialog);
                downloadRuntime(progress, address);
                logInfo("Done");
                runtimeShipped = true;
            }
        }
    }
    enterExtractionDirectory(directory);
    const ProgressScale scale = progressScale(runtimeShipped, getIntProperty(153) != 0);
    if (dialog != nullptr) os::setProgressRange(dialog, kProgressBarId, scale.max);
    if (runtimeShipped) {
        DialogProgressView progress(dialog);
        extractRuntimeArchive(dialog != nullptr ? &progress : nullptr);
    }
    if (dialog != nullptr) startWindowWaitThread(dialog, scale.base, scale.max);

    std::string logPath;
    if (logFilePath(logPath)) scheduleFileDeletion(logPath);

    const std::vector<std::u16string> arguments = splitCommandLine();
    if (!launchJvm(arguments, true)) {
        logError("Could not start JVM");
        fatalMessage(1005);
    }
}

} // namespace lumen
