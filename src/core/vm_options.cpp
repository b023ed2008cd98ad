#include "core/vm_options.h"

#include <algorithm>

#include "core/arguments.h"
#include "core/property_store.h"

namespace lumen {
namespace {

constexpr size_t kMaxLine = kTextBufferSize - 1;

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

} // namespace

std::vector<std::string> vmOptionFileLines(const std::string& text) {
    std::vector<std::string> options;
    size_t pos = 0;
    bool previousFilledBuffer = false;
    while (pos < text.size()) {
        // One read: through the next line feed, at most kMaxLine bytes.
        const size_t lineFeed = text.find('\n', pos);
        const size_t lineEnd = lineFeed == std::string::npos ? text.size() : lineFeed + 1;
        const size_t length = std::min(lineEnd - pos, kMaxLine);
        std::string piece = text.substr(pos, length);
        pos += length;
        const bool filledBuffer = length == kMaxLine && piece.back() != '\n';

        const size_t nul = piece.find('\0');
        if (nul != std::string::npos) piece.resize(nul);
        const bool bareLineEnd =
            !piece.empty() && piece.find_first_not_of("\r\n") == std::string::npos;
        while (!piece.empty() && isLineEnd(piece.back()))
            piece.pop_back();

        if (previousFilledBuffer && bareLineEnd) {
            previousFilledBuffer = false;
            continue;
        }
        previousFilledBuffer = filledBuffer;
        options.push_back(piece);
    }
    return options;
}

std::vector<std::string> vmOptionsFileCandidates(const std::string& executablePath,
                                                 const PathStyle& style) {
    if (style.executableSuffix.empty()) {
        const std::string suffix = ".exe";
        const bool exe = executablePath.size() > suffix.size() &&
                         executablePath.compare(executablePath.size() - suffix.size(),
                                                suffix.size(), suffix) == 0;
        return {(exe ? executablePath.substr(0, executablePath.size() - suffix.size())
                     : executablePath) +
                ".vmoptions"};
    }
    const size_t keep = executablePath.size() > 4 ? executablePath.size() - 4 : 0;
    return {executablePath.substr(0, keep) + ".vmoptions", executablePath + ".vmoptions"};
}

std::vector<std::u16string> vmArgumentsOf(const std::vector<std::u16string>& arguments) {
    std::vector<std::u16string> rests;
    for (const std::u16string& argument : arguments)
        if (isVmArgument(argument)) rests.push_back(argument.substr(2));
    return rests;
}

std::vector<std::string> assembleVmOptions(const VmOptionSources& sources, size_t* leftOut) {
    std::vector<std::string> options;
    size_t dropped = 0;
    auto add = [&](const std::string& option) {
        if (option.size() > kMaxLine)
            ++dropped;
        else
            options.push_back(option);
    };
    for (const std::string& option : sources.leading)
        add(option);
    for (const std::string& option : sources.fileOptions)
        add(option);
    add(sources.classPath);
    for (const std::string& option : sources.parameters)
        add(option);
    for (const std::string& option : sources.vmArguments)
        add(option);
    if (!sources.javaCommand.empty()) add(sources.javaCommand);
    if (leftOut != nullptr) *leftOut = dropped;
    return options;
}

std::string javaCommandOption(const std::string& mainClass,
                              const std::vector<std::string>& arguments) {
    if (mainClass.empty()) return std::string();
    std::string option = "-Dsun.java.command=" + mainClass;
    if (option.size() > kMaxLine) return std::string();
    for (const std::string& argument : arguments) {
        if (option.size() + 1 + argument.size() > kMaxLine) break;
        option += ' ';
        option += argument;
    }
    return option;
}

} // namespace lumen
