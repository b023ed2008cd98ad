#include "launcher/startup.h"

#include "core/path_rules.h"
#include "core/window_math.h"
#include "launcher/arguments.h"
#include "launcher/deletion.h"
#include "launcher/dialogs.h"
#include "launcher/download.h"
#include "launcher/entry.h"
#include "launcher/errors.h"
#include "launcher/extraction.h"
#include "launcher/jvm_launch.h"
#include "launcher/jvm_loader.h"
#include "launcher/paths.h"
#include "launcher/runtime_archive.h"
#include "launcher/splash.h"
#include "launcher/temp_files.h"
#include "os/env.h"
#include "os/paths.h"
#include "os/system.h"
#include "os/ui.h"
#include "os/window.h"

namespace lumen {
namespace {

constexpr unsigned kNoRuntimeExitCode = 83;

// The start-up works in the extraction directory: a shipped runtime
// archive is looked for and unpacked there.
void enterExtractionDirectory(Launcher& launcher, const std::string& directory) {
    if (!os::setCurrentDirectory(directory))
        launcher.log.error("Could not change working dir to %s", directory.c_str());
}

// Otherwise the application gets the directory its user would expect, the
// one current before the start-up moved: working-directory, or where the
// launcher was started. Every path the launcher hands the JVM is full by
// now (class path, tempDir, the runtime's own), so nothing moves with it.
void enterApplicationDirectory(Launcher& launcher, const std::string& directory) {
    if (launcher.runsInExtractionDirectory() || directory.empty()) return;
    if (!os::setCurrentDirectory(directory)) {
        launcher.log.error("Could not change working dir to %s", directory.c_str());
        return;
    }
    launcher.log.info("Application working dir: %s", directory.c_str());
}

// The extraction directory as a full path, since the JVM reaches it from
// another current directory (lumen.tempDir, the class path).
std::string fullExtractionDirectory(const std::string& directory) {
    std::string full;
    if (directory.empty() || !isRelativePath(directory, os::pathStyle()) ||
        !os::absolutePath(directory, full))
        return directory;
    return full;
}

// Where a download goes: beside the unpacked files, or, without any, into a
// directory of its own made like theirs, so that nobody else can swap the
// archive between its check and its unpacking. The archive's path changes
// with it.
Result<std::string> downloadDirectory(Launcher& launcher, const std::string& base) {
    if (!launcher.extractionDirectory.empty()) return base;
    const std::optional<std::string> temporary = chooseTempDirectory();
    if (!temporary) return noTempDirectory();
    std::string directory;
    if (!createPrivateDirectoryIn(launcher, *temporary, directory)) {
        launcher.log.error("Could not create a directory for the download in %s (error %lu)",
                           temporary->c_str(), os::lastErrorCode());
        return Failure::internalError("7");
    }
    launcher.unpacked.addDirectory(directory);
    launcher.log.info("Download dir: %s", directory.c_str());
    return directory;
}

// Obtains a runtime from the machine, the user or the download; true when
// the runtime must then be unpacked from the archive (downloaded), which
// then lies in base.
Result<bool> findRuntime(Launcher& launcher, void* dialog, bool reportMissingRuntime,
                         std::string& base) {
    if (!launcher.state.manualSelection) {
        const Result<bool> loaded = loadJvm(launcher, JvmRequest::search(), ShowErrors::No);
        if (!loaded) return loaded.failure();
        if (loaded.value()) return false;
    }
    if (dialog == nullptr) {
        launcher.log.error("No JRE found");
        if (reportMissingRuntime) {
            Failure missing = Failure::configured(Property::MessageNoRuntime);
            missing.exitCode = kNoRuntimeExitCode;
            return missing;
        }
        os::writeStandardOutput("no jre found\n");
        return Failure::exit(kNoRuntimeExitCode);
    }
    const std::string address = launcher.properties.text(Property::DownloadUrl);
    const bool downloadOffered = !address.empty();
    launcher.log.info("Download location: %s", address.c_str());
    // The user's choice and the download's progress are not hidden behind
    // the splash screen.
    const SplashSuspension suspended(launcher);
    const Result<RuntimeChoice> choice = showRuntimeDialog(launcher, dialog, downloadOffered);
    if (!choice) return choice.failure();
    if (choice.value() != RuntimeChoice::Download) return false;
    launcher.log.info("Downloading JRE");
    const bool revealed = launcher.splash.atStartup;
    if (revealed) revealProgressDialog(dialog, true);
    DialogProgressView progress(dialog);
    Result<std::string> directory = downloadDirectory(launcher, base);
    if (!directory) return directory.failure();
    base = directory.value();
    if (Outcome downloaded = downloadRuntime(launcher, progress, address, runtimeArchivePath(base));
        !downloaded)
        return downloaded.failure();
    if (revealed) revealProgressDialog(dialog, false);
    launcher.log.info("Done");
    return true;
}

} // namespace

Outcome runStartup(Launcher& launcher, void* dialog, bool reportMissingRuntime) {
    launcher.log.info("Starting work");
    processDeferredDeletions(launcher);
    if (dialog != nullptr) os::setProgressPosition(dialog, kProgressBarId, 1);
    setSplashStartupText(launcher, Property::UiSplashUnpacking);
    Result<std::string> extracted = extractIncludedFiles(launcher);
    if (!extracted) return extracted.failure();
    launcher.extractionDirectory = fullExtractionDirectory(extracted.value());
    std::string applicationDirectory;
    if (!os::currentDirectory(applicationDirectory)) applicationDirectory.clear();
    enterExtractionDirectory(launcher, launcher.extractionDirectory);

    // The runtime archive lies where the files were unpacked; without
    // included files, in the directory the launcher runs in.
    std::string base;
    os::currentDirectory(base);
    launcher.log.info("Current working dir: %s", base.c_str());
    std::string archive;
    if (!os::absolutePath(runtimeArchivePath(base), archive)) archive = runtimeArchivePath(base);
    launcher.log.info("Full JRE path: %s", archive.c_str());
    bool runtimeShipped = fileExists(archive);
    launcher.log.info(runtimeShipped ? "JRE included" : "No JRE included");

    if (!runtimeShipped) {
        writeInstallStarted();
        setSplashStartupText(launcher, Property::UiSplashSearching);
        const Result<bool> downloaded = findRuntime(launcher, dialog, reportMissingRuntime, base);
        if (!downloaded) return downloaded.failure();
        runtimeShipped = downloaded.value();
        if (runtimeShipped) archive = runtimeArchivePath(base);
    }
    const ProgressScale scale =
        progressScale(runtimeShipped, launcher.properties.flag(Property::PackedRuntime));
    if (dialog != nullptr) os::setProgressRange(dialog, kProgressBarId, scale.max);
    if (runtimeShipped) {
        DialogProgressView progress(dialog);
        if (Outcome unpacked =
                extractRuntimeArchive(launcher, dialog != nullptr ? &progress : nullptr, archive,
                                      runtimeDirectoryPath(base));
            !unpacked)
            return unpacked;
    }
    if (dialog != nullptr) startWindowWaitThread(launcher, dialog, scale.base, scale.max);

    scheduleRunFiles(launcher);

    const Result<Arguments> arguments = splitCommandLine(launcher);
    if (!arguments) return arguments.failure();
    setSplashStartupText(launcher, Property::UiSplashStarting);
    showRuntimeSplash(launcher);
    enterApplicationDirectory(launcher, applicationDirectory);
    const Result<bool> launched = launchJvm(launcher, arguments.value(), true);
    if (!launched) return launched.failure();
    if (!launched.value()) {
        launcher.log.error("Could not start JVM");
        return Failure::configured(Property::MessageJvmStartFailed);
    }
    removeRunFiles(launcher, true);
    return Outcome();
}

} // namespace lumen
