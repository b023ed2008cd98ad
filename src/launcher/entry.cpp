#include "launcher/entry.h"

#include "core/command_line.h"
#include "core/property_store.h"
#include "launcher/configuration.h"
#include "launcher/dialogs.h"
#include "launcher/errors.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "launcher/single_instance.h"
#include "launcher/startup.h"
#include "os/env.h"
#include "os/library.h"
#include "os/paths.h"
#include "os/registry.h"
#include "os/system.h"

namespace lumen {
namespace {

constexpr unsigned long kRestartDelayMs = 5000;

LaunchState state;

void prepareEnvironment(void* instance) {
    readConfiguration();
    state.instanceHandle = instance;
    char kind[2];
    getStringProperty(2001, kind, sizeof kind);
    state.productKind = kind[0];

    const std::string configured = resolvePathList(stringProperty(10004));
    if (!configured.empty()) {
        std::string current;
        os::getEnv("PATH", current);
        os::setEnv("PATH", prefixedPath(configured, current, os::pathStyle().listSeparator));
    }

    const std::string workingDirectory = stringProperty(146);
    if (!workingDirectory.empty()) os::setCurrentDirectory(fullPath(workingDirectory));
}

} // namespace

const LaunchState& launchState() {
    return state;
}

namespace {
const char kLauncherKey[] = "SOFTWARE\\nordquill\\lumen\\";
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

int launcherMain(const std::string& commandLine, void* instance, bool consoleFlavour) {
    // Nothing the launcher loads may come from the directory it was started in.
    os::hardenLibrarySearch();
    state.commandTail = commandTailOf(commandLine);
    // Reports must reach a console or an unattended install even when the
    // block itself is damaged, so decide where they go before reading it.
    if (consoleFlavour || isQuietSwitch(state.commandTail)) disableErrorBoxes();

    if (!state.commandTail.empty() && isRestartSwitch(state.commandTail)) {
        os::sleepMs(kRestartDelayMs);
        if (!os::requestRestart()) {
            const unsigned long error = os::lastErrorCode();
            logError("Restart request failed (error %lu)", error);
        }
    }
    logInfo("Init");
    prepareEnvironment(instance);

    if (isQuietSwitch(state.commandTail)) {
        state.quietMode = true;
        disableErrorBoxes();
    }
    ensureSingleInstance(false, false);
    if (isManualSwitch(state.commandTail)) state.manualSelection = true;
    logInfo("Init done");
    // A start that set the install marker never finished: offer to pick the
    // runtime by hand this time.
    if (readInstallStarted() && !state.quietMode && askForManualSelection())
        state.manualSelection = true;

    if (state.quietMode) {
        logInfo("Quiet installer.");
        runStartup(nullptr);
    } else {
        runDialogMode();
    }
    return 0;
}

} // namespace lumen
