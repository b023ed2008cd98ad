// The rules of the class-path option: configured entries, environment
// values, directory listing patterns and the size-bounded option text.
//
// Contract: pure functions; the caller expands names, resolves paths, reads
// the environment and lists directories.
#pragma once

#include <string>
#include <vector>

#include "core/path_style.h"

namespace lumen {

// One configured entry: type letter, required mark, name.
struct ClassPathEntry {
    char type = '\0';      // 'A' archive, 'D' directory, 'S' directory to scan,
                           // 'E' environment variable; anything else finds nothing
    bool required = false; // the mark was '1'
    std::string name;      // from the third character on, not yet expanded
};

// What a build tool makes of one configured item before it is stored: the
// launcher skips items it cannot read (too short, unknown type), so such an
// item would be lost without a word.
enum class ClassPathItemCheck {
    Ok,
    TooShort,    // no type letter and required mark in front of a name
    UnknownType, // the first character is none of A, D, S, E
    UnknownMark, // the second character is neither '1' nor '0'
    NoName,      // nothing follows the type letter and the mark
};
ClassPathItemCheck checkClassPathItem(const std::string& item);

// Splits the ";"-separated list into entries in order. Empty items and
// items shorter than two characters (no type letter or no mark) are skipped.
std::vector<ClassPathEntry> parseClassPathEntries(const std::string& list);

// The text an environment-variable entry contributes for a non-empty value:
// the value without its enclosing double quotes (dropped only when it both
// begins and ends with one, and is at least two characters long), followed
// by ";" unless it already ends with ';'. A value that is empty once the
// quotes are dropped contributes nothing, so that no empty element (which
// the JVM would take as the current directory) enters the class path.
// (";" stands for the list separator the option uses.)
std::string environmentClassPath(const std::string& value, char listSeparator = ';');

// The file-search pattern for a directory's archives: directory, "\*", a
// "." unless the extension already begins with one, the extension.
std::string listingPattern(const std::string& directory, const std::string& extension,
                           const PathStyle& style = PathStyle::windows());

// The class-path option, bounded to kTextBufferSize - 1 bytes including
// its "-Djava.class.path=" prefix. Once an element does not fit, it and
// every later element are refused (the class path is cut at a whole
// element, never inside one); each refusal returns false for the caller to
// log.
class ClassPathOption {
  public:
    // Starts from text that already holds the prefix (and possibly elements).
    explicit ClassPathOption(std::string text = "-Djava.class.path=", char listSeparator = ';');

    // Appends element followed by ";".
    bool appendElement(const std::string& element);
    // Appends text that already ends each of its elements with ';' (an
    // environment value). When the whole does not fit, its leading elements
    // that do fit are kept and the rest refused.
    bool appendTerminated(const std::string& elements);
    // Drops the separator after the last element. The JVM takes the empty
    // element behind it as its current directory, which is on the class
    // path only while that is the extraction directory.
    void dropFinalSeparator();

    const std::string& text() const { return text_; }
    bool cut() const { return cut_; }

  private:
    std::string text_;
    bool cut_ = false;
    char listSeparator_;
};

} // namespace lumen
