#include "launcher/vm_options.h"

#include "core/property_store.h"
#include "core/vm_options.h"
#include "launcher/arguments.h"
#include "launcher/class_path.h"
#include "launcher/expansion.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/paths.h"
#include "os/text.h"

namespace lumen {

std::FILE* openVmOptionsFile() {
    std::string executable;
    if (longPathName(moduleFileName(), executable) == 0) executable = moduleFileName();
    for (const std::string& candidate : vmOptionsFileCandidates(executable, os::pathStyle())) {
        std::FILE* file = std::fopen(candidate.c_str(), "rt");
        if (file != nullptr) return file;
    }
    return nullptr;
}

std::vector<std::string> readVmOptionsFile() {
    std::FILE* file = openVmOptionsFile();
    if (file == nullptr) return {};
    std::string text;
    char chunk[4096];
    size_t got = 0;
    while ((got = std::fread(chunk, 1, sizeof chunk, file)) > 0)
        text.append(chunk, got);
    std::fclose(file);
    return vmOptionFileLines(text);
}

void splitIntoOptions(const std::string& text, std::vector<std::string>& options) {
    for (const std::u16string& piece :
         splitConfiguredText(os::wideFromAnsi(text), "the VM parameters"))
        options.push_back(os::ansiFromWide(piece));
}

std::vector<std::string> buildVmOptions(const std::vector<std::string>& leadingOptions,
                                        const std::vector<std::u16string>& arguments) {
    VmOptionSources sources;
    sources.leading = leadingOptions;
    sources.fileOptions = readVmOptionsFile();
    sources.classPath = "-Djava.class.path=";
    appendClassPath(sources.classPath);
    std::string parameters = stringProperty(123);
    expandVariables(parameters);
    splitIntoOptions(parameters, sources.parameters);
    if (getIntProperty(125) != 0)
        for (const std::u16string& rest : vmArgumentsOf(arguments))
            sources.vmArguments.push_back(os::ansiFromWide(rest));

    size_t leftOut = 0;
    std::vector<std::string> options = assembleVmOptions(sources, &leftOut);
    if (leftOut != 0)
        logError("%d VM options left out: longer than %d bytes", static_cast<int>(leftOut),
                 static_cast<int>(kTextBufferSize - 1));
    logInfo("vmoption count %d", static_cast<int>(options.size()));
    for (size_t i = 0; i < options.size(); ++i)
        logInfo("vmoption %d: %s", static_cast<int>(i), options[i].c_str());
    return options;
}

} // namespace lumen
