#include "launcher/vm_options.h"

#include <algorithm>
#include <iterator>

#include "core/property_store.h"
#include "core/vm_options.h"
#include "launcher/arguments.h"
#include "launcher/class_path.h"
#include "launcher/expansion.h"
#include "launcher/paths.h"
#include "os/paths.h"
#include "os/text.h"

namespace lumen {

std::FILE* openVmOptionsFile(const Launcher& launcher) {
    const std::string& module = launcher.paths.moduleFileName();
    std::string executable;
    if (longPathName(module, executable) == 0) executable = module;
    for (const std::string& candidate : vmOptionsFileCandidates(executable, os::pathStyle())) {
        std::FILE* file = std::fopen(candidate.c_str(), "rt");
        if (file != nullptr) return file;
    }
    return nullptr;
}

std::vector<std::string> readVmOptionsFile(const Launcher& launcher) {
    std::FILE* file = openVmOptionsFile(launcher);
    if (file == nullptr) return {};
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    (void)std::fclose(file); // read-only: nothing to lose
    return vmOptionFileLines(text);
}

Outcome splitIntoOptions(Launcher& launcher, const std::string& text,
                         std::vector<std::string>& options) {
    const Result<Arguments> pieces =
        splitConfiguredText(launcher, os::wideFromAnsi(text), "the VM parameters");
    if (!pieces) return pieces.failure();
    std::transform(pieces.value().begin(), pieces.value().end(), std::back_inserter(options),
                   [](const std::u16string& piece) { return os::ansiFromWide(piece); });
    return Outcome();
}

Result<std::vector<std::string>> buildVmOptions(Launcher& launcher,
                                                const std::vector<std::string>& leadingOptions,
                                                const std::vector<std::u16string>& arguments,
                                                const std::string& javaCommand) {
    VmOptionSources sources;
    sources.leading = leadingOptions;
    sources.fileOptions = readVmOptionsFile(launcher);
    sources.classPath = "-Djava.class.path=";
    if (Outcome classPath = appendClassPath(launcher, sources.classPath); !classPath)
        return classPath.failure();
    std::string parameters = launcher.properties.text(Property::VmParameters);
    expandVariables(launcher, parameters);
    if (Outcome split = splitIntoOptions(launcher, parameters, sources.parameters); !split)
        return split.failure();
    if (launcher.properties.flag(Property::JOptionsToVm))
        for (const std::u16string& rest : vmArgumentsOf(arguments))
            sources.vmArguments.push_back(os::ansiFromWide(rest));
    sources.javaCommand = javaCommand;

    size_t leftOut = 0;
    std::vector<std::string> options = assembleVmOptions(sources, &leftOut);
    if (leftOut != 0)
        launcher.log.error("%d VM options left out: longer than %d bytes",
                           static_cast<int>(leftOut), static_cast<int>(kTextBufferSize - 1));
    launcher.log.info("vmoption count %d", static_cast<int>(options.size()));
    for (size_t i = 0; i < options.size(); ++i)
        launcher.log.info("vmoption %d: %s", static_cast<int>(i), options[i].c_str());
    return options;
}

} // namespace lumen
