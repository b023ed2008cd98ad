#include "launcher/arguments.h"

#include "core/arguments.h"
#include "core/property_store.h"
#include "launcher/errors.h"
#include "launcher/expansion.h"
#include "launcher/log.h"
#include "launcher/paths.h"
#include "launcher/properties.h"
#include "os/env.h"
#include "os/text.h"

namespace lumen {
namespace {

[[noreturn]] void unmatchedQuote(const char* what) {
    logError("unmatched quote in %s", what);
    fatalMessage(1007);
}

// The redirection file as a full path in the file functions' code page, or
// the empty text when the stream is not redirected.
std::u16string redirectionFile(int32_t flagId, int32_t fileId) {
    if (getIntProperty(flagId) == 0) return std::u16string();
    return os::wideFromNarrow(fullPath(stringProperty(fileId), true));
}

} // namespace

std::vector<std::u16string> splitCommandLine() {
    std::vector<std::u16string> arguments;
    // Where the system split the arguments already, they are taken as they
    // are: joining and splitting them again would change them.
    if (const std::vector<std::string>* given = os::systemArguments()) {
        for (const std::string& argument : *given)
            arguments.push_back(os::wideFromNarrow(argument));
        return arguments;
    }
    if (splitArguments(os::commandLineWide(), arguments) == SplitOutcome::UnmatchedQuote)
        unmatchedQuote("the command line");
    return arguments;
}

std::vector<std::u16string> splitConfiguredText(const std::u16string& text, const char* what) {
    std::vector<std::u16string> pieces;
    switch (splitArgumentsWithin(text, kTextBufferSize - 1, pieces)) {
    case SplitOutcome::UnmatchedQuote:
        unmatchedQuote(what);
    case SplitOutcome::Cut:
        logError("%s cut after %d arguments: longer than %d characters", what,
                 static_cast<int>(pieces.size()), static_cast<int>(kTextBufferSize - 1));
        break;
    case SplitOutcome::Complete:
        break;
    }
    return pieces;
}

std::vector<std::u16string> buildJavaArguments(const std::vector<std::u16string>& commandLine) {
    JavaArgumentSettings settings;
    settings.windowed = getIntProperty(107) == 1;
    settings.mainClass = os::wideFromAnsi(stringProperty(122));
    settings.errorFile = redirectionFile(102, 103);
    settings.outputFile = redirectionFile(104, 105);
    settings.entryFlag = getIntProperty(106) != 0;
    std::string fixed = stringProperty(124);
    expandVariables(fixed);
    settings.fixedArguments = os::wideFromAnsi(fixed);
    settings.dropVmArguments = getIntProperty(125) != 0;

    std::vector<std::u16string> arguments;
    switch (lumen::buildJavaArguments(settings, commandLine, arguments)) {
    case SplitOutcome::UnmatchedQuote:
        unmatchedQuote("the application arguments");
    case SplitOutcome::Cut:
        logError("the application arguments were cut at a whole argument: longer than %d "
                 "characters",
                 static_cast<int>(kTextBufferSize - 1));
        break;
    case SplitOutcome::Complete:
        break;
    }
    return arguments;
}

} // namespace lumen
