#include "launcher/arguments.h"

#include <algorithm>
#include <iterator>

#include "core/arguments.h"
#include "core/property_store.h"
#include "launcher/expansion.h"
#include "os/env.h"
#include "os/text.h"

namespace lumen {
namespace {

Failure unmatchedQuote(Launcher& launcher, const char* what) {
    launcher.log.error("unmatched quote in %s", what);
    return Failure::configured(Property::MessageWrongParameters);
}

// The redirection file as a full path in the file functions' code page, or
// the empty text when the stream is not redirected.
std::u16string redirectionFile(const Launcher& launcher, Property flag, Property file) {
    if (!launcher.properties.flag(flag)) return std::u16string();
    return os::wideFromNarrow(launcher.paths.full(launcher.properties.text(file), true));
}

} // namespace

Result<Arguments> splitCommandLine(Launcher& launcher) {
    Arguments arguments;
    // Where the system split the arguments already, they are taken as they
    // are: joining and splitting them again would change them.
    if (launcher.state.systemArguments) {
        const std::vector<std::string>& given = *launcher.state.systemArguments;
        std::transform(given.begin(), given.end(), std::back_inserter(arguments),
                       [](const std::string& argument) { return os::wideFromNarrow(argument); });
        return arguments;
    }
    if (splitArguments(os::commandLineWide(), arguments) == SplitOutcome::UnmatchedQuote)
        return unmatchedQuote(launcher, "the command line");
    return arguments;
}

Result<Arguments> splitConfiguredText(Launcher& launcher, const std::u16string& text,
                                      const char* what) {
    Arguments pieces;
    switch (splitArgumentsWithin(text, kTextBufferSize - 1, pieces)) {
    case SplitOutcome::UnmatchedQuote:
        return unmatchedQuote(launcher, what);
    case SplitOutcome::Cut:
        launcher.log.error("%s cut after %d arguments: longer than %d characters", what,
                           static_cast<int>(pieces.size()), static_cast<int>(kTextBufferSize - 1));
        break;
    case SplitOutcome::Complete:
        break;
    }
    return pieces;
}

Result<Arguments> buildJavaArguments(Launcher& launcher, const Arguments& commandLine) {
    const Properties& properties = launcher.properties;
    JavaArgumentSettings settings;
    settings.windowed = properties.integer(Property::ExecutableType) == 1;
    settings.mainClass = os::wideFromAnsi(properties.text(Property::MainClass));
    settings.errorFile =
        redirectionFile(launcher, Property::RedirectStandardError, Property::StandardErrorFile);
    settings.outputFile =
        redirectionFile(launcher, Property::RedirectStandardOutput, Property::StandardOutputFile);
    settings.applicationFlag = properties.flag(Property::ApplicationFlag);
    std::string fixed = properties.text(Property::FixedArguments);
    expandVariables(launcher, fixed);
    settings.fixedArguments = os::wideFromAnsi(fixed);
    settings.dropVmArguments = properties.flag(Property::JOptionsToVm);

    Arguments arguments;
    switch (lumen::buildJavaArguments(settings, commandLine, arguments)) {
    case SplitOutcome::UnmatchedQuote:
        return unmatchedQuote(launcher, "the application arguments");
    case SplitOutcome::Cut:
        launcher.log.error("the application arguments were cut at a whole argument: longer than "
                           "%d characters",
                           static_cast<int>(kTextBufferSize - 1));
        break;
    case SplitOutcome::Complete:
        break;
    }
    return arguments;
}

} // namespace lumen
