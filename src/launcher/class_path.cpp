#include "launcher/class_path.h"

#include "launcher/errors.h"
#include "launcher/expansion.h"
#include "launcher/included_files.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/env.h"
#include "os/paths.h"

namespace lumen {
namespace {

void append(ClassPathOption& option, const std::string& element) {
    if (!option.appendElement(element))
        logError("class path too long: %s left out", element.c_str());
}

// An environment-variable entry; true when the variable has a non-empty
// value.
bool appendEnvironmentEntry(ClassPathOption& option, const ClassPathEntry& entry,
                            const std::string& name) {
    std::string value;
    const bool defined = os::getEnv(name, value);
    if (!value.empty()) {
        const std::string elements = environmentClassPath(value, os::pathStyle().listSeparator);
        if (!option.appendTerminated(elements))
            logError("class path too long: the value of %s was cut", name.c_str());
        return true;
    }
    if (entry.required && !defined) fatalMessage(1008, "%ENV_VAR_NAME%", name);
    return false;
}

} // namespace

bool appendArchivesOfDirectory(ClassPathOption& option, const std::string& directory,
                               const std::string& extension) {
    if (!fileExists(directory)) return false;
    const PathStyle& style = os::pathStyle();
    for (const std::string& name :
         os::findMatchingNames(listingPattern(directory, extension, style)))
        append(option, resolveAgainstExeDir(joinPath(style, directory, name)));
    return true;
}

void appendClassPath(std::string& optionText) {
    ClassPathOption option(optionText, os::pathStyle().listSeparator);
    appendArchivesOfDirectory(option, extractionDirectory(), "jar");
    appendArchivesOfDirectory(option, extractionDirectory(), "zip");

    for (const ClassPathEntry& entry : parseClassPathEntries(stringProperty(121))) {
        std::string name = entry.name;
        expandVariables(name);
        bool found = false;
        switch (entry.type) {
        case 'A':
        case 'D': {
            const std::string path = resolveAgainstExeDir(name);
            found = fileExists(path);
            append(option, path);
            break;
        }
        case 'S': {
            const std::string directory = resolveAgainstExeDir(name);
            const bool jars = appendArchivesOfDirectory(option, directory, "jar");
            const bool zips = appendArchivesOfDirectory(option, directory, "zip");
            found = jars || zips;
            break;
        }
        case 'E':
            found = appendEnvironmentEntry(option, entry, name);
            break;
        default:
            break;
        }
        if (entry.required && !found) fatalMessage(1006, "%FILE_NAME%", name);
    }
    optionText = option.text();
}

} // namespace lumen
