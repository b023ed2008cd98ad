#include "launcher/entry.h"

#include "core/command_line.h"
#include "core/property_store.h"
#include "core/stub_marker.h"
#include "launcher/configuration.h"
#include "launcher/dialogs.h"
#include "launcher/errors.h"
#include "launcher/paths.h"
#include "launcher/single_instance.h"
#include "launcher/startup.h"
#include "os/env.h"
#include "os/library.h"
#include "os/paths.h"
#include "os/registry.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen {
namespace {

constexpr unsigned long kRestartDelayMs = 5000;
const char kLauncherKey[] = "SOFTWARE\\nordquill\\lumen\\";

[[nodiscard]] Outcome prepareEnvironment(Launcher& launcher, void* instance) {
    if (Outcome read = readConfiguration(launcher); !read) return read;
    launcher.state.instanceHandle = instance;
    launcher.state.productKind = launcher.properties.productKind();

    const std::string configured =
        launcher.paths.resolveList(launcher.properties.text(Property::PathPrefix));
    if (!configured.empty()) {
        std::string current;
        os::getEnv("PATH", current);
        os::setEnv("PATH", prefixedPath(configured, current, os::pathStyle().listSeparator));
    }

    const std::string workingDirectory = launcher.properties.text(Property::WorkingDirectory);
    if (!workingDirectory.empty()) os::setCurrentDirectory(launcher.paths.full(workingDirectory));

    // Before any window: the shell groups the process's windows by it.
    const std::string modelId = launcher.properties.text(Property::AppUserModelId);
    if (!modelId.empty() && !os::setAppUserModelId(os::wideFromAnsi(modelId)))
        launcher.log.error("Could not set the application user model id %s (error %lx)",
                           modelId.c_str(), os::lastErrorCode());
    return Outcome();
}

} // namespace

bool readInstallStarted() {
    uint32_t value = 0;
    return os::RegistryKey::openForReading(os::RegistryRoot::CurrentUser, kLauncherKey)
               .readDword("InstallStarted", value) &&
           value != 0;
}

void writeInstallStarted() {
    os::RegistryKey::create(os::RegistryRoot::CurrentUser, kLauncherKey)
        .writeDword("InstallStarted", 1);
}

std::string prefixedPath(const std::string& configured, const std::string& current,
                         char separator) {
    std::string value = configured;
    if (!value.empty() && value.back() != separator) value += separator;
    const size_t room = kTextBufferSize - 1;
    if (value.size() >= room) return value.substr(0, room);
    if (value.size() + current.size() <= room) return value + current;
    const size_t lastWhole = current.rfind(separator, room - value.size());
    if (lastWhole != std::string::npos) value += current.substr(0, lastWhole);
    if (!value.empty() && value.back() == separator) value.pop_back();
    return value;
}

int launcherMain(Launcher& launcher, const std::string& commandLine, void* instance,
                 bool consoleFlavour) {
    // Nothing the launcher loads may come from the directory it was started in.
    const bool hardened = os::hardenLibrarySearch();
    const unsigned long hardenError = hardened ? 0 : os::lastErrorCode();
    // lumen-build recognises a stub by this text; the volatile keeps it in
    // the image whatever the optimiser, the linker and strip drop.
    const char* volatile stubMarker = kStubMarker;
    static_cast<void>(stubMarker);
    launcher.paths = LauncherPaths::ofThisProcess();
    LaunchState& state = launcher.state;
    state.commandTail = commandTailOf(commandLine);
    // Reports must reach a console or an unattended install even when the
    // block itself is damaged, so decide where they go before reading it.
    if (consoleFlavour || isQuietSwitch(state.commandTail)) disableErrorBoxes(launcher);

    if (!state.commandTail.empty() && isRestartSwitch(state.commandTail)) {
        os::sleepMs(kRestartDelayMs);
        if (!os::requestRestart()) {
            const unsigned long error = os::lastErrorCode();
            launcher.log.error("Restart request failed (error %lu)", error);
        }
    }
    launcher.log.info("Init");
    if (!hardened)
        launcher.log.error("SetDllDirectory could not take the current directory out of the DLL "
                           "search (error %lu)",
                           hardenError);
    if (Outcome prepared = prepareEnvironment(launcher, instance); !prepared)
        exitWithFailure(launcher, prepared.failure());

    if (isQuietSwitch(state.commandTail)) {
        state.quietMode = true;
        disableErrorBoxes(launcher);
    }
    if (ensureSingleInstance(launcher, false, false) == InstanceCheck::AnotherRuns)
        exitWithFailure(launcher, Failure::exit(0));
    if (isManualSwitch(state.commandTail)) state.manualSelection = true;
    launcher.log.info("Init done");
    // A start that set the install marker never finished: offer to pick the
    // runtime by hand this time.
    if (readInstallStarted() && !state.quietMode && askForManualSelection(launcher))
        state.manualSelection = true;

    if (!state.quietMode) {
        // Fixed before the dialog mode starts its threads.
        launcher.splash.atStartup = launcher.properties.flag(Property::SplashAtStartup);
        exitWithFailure(launcher, runDialogMode(launcher));
    }
    launcher.log.info("Quiet installer.");
    if (Outcome started = runStartup(launcher, nullptr); !started)
        exitWithFailure(launcher, started.failure());
    return 0;
}

} // namespace lumen
