#include "core/arguments.h"

#include "core/property_store.h"

namespace lumen {
namespace {

constexpr size_t kNone = std::u16string::npos;

bool before(size_t a, size_t b) {
    return b == kNone || a < b;
}

} // namespace

SplitOutcome splitArgumentsWithin(const std::u16string& text, size_t limit,
                                  std::vector<std::u16string>& out) {
    size_t pos = 0;
    while (pos < text.size()) {
        if (text[pos] == u' ') {
            ++pos;
            continue;
        }
        const size_t space = text.find(u' ', pos);
        const size_t doubleQuote = text.find(u'"', pos);
        const size_t singleQuote = text.find(u'\'', pos);

        if (space != kNone && before(space, doubleQuote) && before(space, singleQuote)) {
            if (space > limit) return SplitOutcome::Cut;
            out.push_back(text.substr(pos, space - pos));
            pos = space + 1;
            continue;
        }
        size_t open = kNone;
        if (doubleQuote != kNone && before(doubleQuote, singleQuote))
            open = doubleQuote;
        else if (singleQuote != kNone)
            open = singleQuote;

        if (open == kNone) {
            if (text.size() > limit) return SplitOutcome::Cut;
            out.push_back(text.substr(pos));
            break;
        }
        if (open >= limit) return SplitOutcome::Cut;
        const size_t close = text.find(text[open], open + 1);
        if (close == kNone) return SplitOutcome::UnmatchedQuote;
        if (close + 1 > limit) return SplitOutcome::Cut;
        out.push_back(text.substr(pos, open - pos) + text.substr(open + 1, close - open - 1));
        pos = close + 1;
        if (pos < text.size() && text[pos] == u' ') ++pos;
    }
    return SplitOutcome::Complete;
}

SplitOutcome splitArguments(const std::u16string& text, std::vector<std::u16string>& out) {
    return splitArgumentsWithin(text, text.size(), out);
}

bool isVmArgument(const std::u16string& argument) {
    return argument.compare(0, 2, u"-J") == 0;
}

SplitOutcome buildJavaArguments(const JavaArgumentSettings& settings,
                                const std::vector<std::u16string>& commandLine,
                                std::vector<std::u16string>& out) {
    out.push_back(settings.windowed ? u"true" : u"false");
    out.push_back(settings.mainClass);
    out.push_back(settings.errorFile);
    out.push_back(settings.outputFile);
    out.push_back(settings.applicationFlag ? u"true" : u"false");
    if (!commandLine.empty()) out.push_back(commandLine.front());

    const SplitOutcome outcome =
        splitArgumentsWithin(settings.fixedArguments, kTextBufferSize - 1, out);
    if (outcome == SplitOutcome::UnmatchedQuote) return outcome;

    for (size_t i = 1; i < commandLine.size(); ++i) {
        if (settings.dropVmArguments && isVmArgument(commandLine[i])) continue;
        out.push_back(commandLine[i]);
    }
    return outcome;
}

} // namespace lumen
