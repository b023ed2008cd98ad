#include "launcher/startup.h"

#include "launcher/arguments.h"
#include "launcher/deletion.h"
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

namespace lumen {
namespace {

constexpr unsigned kNoRuntimeExitCode = 83;

void enterExtractionDirectory(const std::string& directory) {
    if (!os::setCurrentDirectory(directory))
        logError("Could not change working dir to %s", directory.c_str());
}

} // namespace

void runStartup(void* dialog) {
    logInfo("Starting work");
    std::string directory;
    if (!extractIncludedFiles(directory)) {
        // Quiet runs have no dialog to show the message in; they still say it.
        if (dialog == nullptr) showErrorWide(wideProperty(20016));
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
    const bool runtimeShipped = fileExists(archive);
    logInfo(runtimeShipped ? "JRE included" : "No JRE included");

    if (!runtimeShipped) {
        writeInstallStarted();
        if (launchState().manualSelection || !LoadDLL(false, nullptr, false)) {
            if (dialog == nullptr) {
                logError("No JRE found");
                os::writeStandardOutput("no jre found\n");
                exitWithCleanup(kNoRuntimeExitCode);
            }
        }
    }
    enterExtractionDirectory(directory);
    if (runtimeShipped) {
        DialogProgressView progress(dialog);
        extractRuntimeArchive(dialog != nullptr ? &progress : nullptr);
    }

    std::string logPath;
    if (logFilePath(logPath)) scheduleFileDeletion(logPath);

    const std::vector<std::u16string> arguments = splitCommandLine();
    if (!launchJvm(arguments, true)) {
        logError("Could not start JVM");
        fatalMessage(1005);
    }
}

void runDialogMode() {
    logError("The dialog start-up is not available in this launcher build");
    if (!errorBoxesOn())
        os::writeStandardError("The dialog start-up is not available in this launcher build\n");
    exitWithCleanup(1);
}

} // namespace lumen
