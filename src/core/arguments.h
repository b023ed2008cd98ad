// Splitting texts into arguments and composing the argument list of the
// Java entry class.
//
// Contract: pure functions over UTF-16 texts. Only the space character
// separates pieces (a tab does not); runs of spaces and leading or trailing
// spaces make no empty pieces. A double or a single quote groups text that
// contains spaces; inside a group the other quote character is ordinary;
// there are no escapes (a backslash is ordinary, a group cannot hold its
// own quote character). A closing quote ends its piece: text right behind
// it starts a new piece (one space right behind it is skipped). An opening
// quote without a partner anywhere later in the text, also one inside a
// word such as don't, makes the whole split fail with UnmatchedQuote; the
// caller ends the process with message 1007.
//
// A quote that opens after other characters of a piece, as in -Dname="a b",
// groups like any other: the piece is the text in front of the quote
// followed by the text between the quotes, here the one piece -Dname=a b
// (the quotes removed, the text before the quote kept).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace lumen {

enum class SplitOutcome {
    Complete,
    UnmatchedQuote,
    Cut, // pieces past the length limit were left out (see splitArgumentsWithin)
};

// Appends the pieces of text to out. Never returns Cut.
SplitOutcome splitArguments(const std::u16string& text, std::vector<std::u16string>& out);

// The same, for a text that must fit a buffer of limit characters: only the
// pieces that end (closing quote included) within the first limit
// characters are appended. The first piece that reaches past the limit and
// everything behind it are left out, never part of a piece, and the result
// is Cut. A quote that opens past the limit counts as cut, not unmatched.
SplitOutcome splitArgumentsWithin(const std::u16string& text, size_t limit,
                                  std::vector<std::u16string>& out);

// What the Java entry class's leading arguments are made of, read and
// converted by the caller.
struct JavaArgumentSettings {
    bool windowed = false;         // executable type 1
    std::u16string mainClass;      // dotted, as configured
    std::u16string errorFile;      // full path, empty when not redirected
    std::u16string outputFile;     // full path, empty when not redirected
    bool applicationFlag = false;  // the application's own flag, passed fifth
    std::u16string fixedArguments; // already expanded
    bool dropVmArguments = false;  // command-line arguments beginning with "-J" are VM options
};

// How many of the entry class's arguments come before the application's own.
constexpr size_t kLeadingJavaArguments = 6;

// The entry class's arguments: "true"/"false" for windowed, the main class,
// the error file, the output file (empty strings keep their positions),
// "true"/"false" for the flag, the program path (the first command-line
// element; absent only when the command line is empty), the fixed
// arguments split as above, then the command-line arguments from the second
// on, without those beginning with "-J" when dropVmArguments is set.
//
// The fixed arguments are split within kTextBufferSize - 1 characters
// (Cut reported, the arguments that fit kept). On UnmatchedQuote out holds
// what was composed so far.
SplitOutcome buildJavaArguments(const JavaArgumentSettings& settings,
                                const std::vector<std::u16string>& commandLine,
                                std::vector<std::u16string>& out);

// True for a command-line argument that carries a VM option ("-J...").
bool isVmArgument(const std::u16string& argument);

} // namespace lumen
