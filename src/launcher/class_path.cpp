#include "launcher/class_path.h"

#include "launcher/expansion.h"
#include "launcher/paths.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {
namespace {

void append(Launcher& launcher, ClassPathOption& option, const std::string& element) {
    if (!option.appendElement(element))
        launcher.log.error("class path too long: %s left out", element.c_str());
}

// An environment-variable entry: found when the variable has a non-empty
// value; a required one that is not defined at all fails with 1008.
Result<bool> appendEnvironmentEntry(Launcher& launcher, ClassPathOption& option,
                                    const ClassPathEntry& entry, const std::string& name) {
    std::string value;
    const bool defined = os::getEnv(name, value);
    if (!value.empty()) {
        const std::string elements = environmentClassPath(value, os::pathStyle().listSeparator);
        if (!option.appendTerminated(elements))
            launcher.log.error("class path too long: the value of %s was cut", name.c_str());
        return true;
    }
    if (entry.required && !defined)
        return Failure::configured(Property::MessageVariableMissing, "%ENV_VAR_NAME%", name);
    return false;
}

} // namespace

bool appendArchivesOfDirectory(Launcher& launcher, ClassPathOption& option,
                               const std::string& directory, const std::string& extension) {
    if (!fileExists(directory)) return false;
    const PathStyle& style = os::pathStyle();
    for (const std::string& name :
         os::findMatchingNames(listingPattern(directory, extension, style)))
        append(launcher, option, launcher.paths.resolve(joinPath(style, directory, name)));
    return true;
}

Outcome appendClassPath(Launcher& launcher, std::string& optionText) {
    ClassPathOption option(optionText, os::pathStyle().listSeparator);
    appendArchivesOfDirectory(launcher, option, launcher.extractionDirectory, "jar");
    appendArchivesOfDirectory(launcher, option, launcher.extractionDirectory, "zip");

    for (const ClassPathEntry& entry :
         parseClassPathEntries(launcher.properties.text(Property::ClassPath))) {
        std::string name = entry.name;
        expandVariables(launcher, name);
        bool found = false;
        switch (entry.type) {
        case 'A':
        case 'D': {
            const std::string path = launcher.paths.resolve(name);
            found = fileExists(path);
            append(launcher, option, path);
            break;
        }
        case 'S': {
            const std::string directory = launcher.paths.resolve(name);
            const bool jars = appendArchivesOfDirectory(launcher, option, directory, "jar");
            const bool zips = appendArchivesOfDirectory(launcher, option, directory, "zip");
            found = jars || zips;
            break;
        }
        case 'E': {
            const Result<bool> environment = appendEnvironmentEntry(launcher, option, entry, name);
            if (!environment) return environment.failure();
            found = environment.value();
            break;
        }
        default:
            break;
        }
        if (entry.required && !found)
            return Failure::configured(Property::MessageClassPathMissing, "%FILE_NAME%", name);
    }
    if (!launcher.runsInExtractionDirectory()) option.dropFinalSeparator();
    optionText = option.text();
    return Outcome();
}

} // namespace lumen
