// The rules of the VM option list: the VM-options file's lines, its two
// candidate names and the order in which the option sources are joined.
//
// Contract: pure functions; the caller opens and reads the file, builds
// the class-path option and converts texts between code pages.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "core/path_style.h"

namespace lumen {

// The options of a VM-options file, given its whole text as read in text
// mode (line ends already "\n"). Each line is read as into a buffer of
// kTextBufferSize bytes: a line of more than kTextBufferSize - 1 bytes
// arrives as several consecutive options of at most that many bytes. From
// each piece every trailing CR and LF is removed; what is left is one
// option, also when it is empty (an empty line) or only spaces. No comments,
// trimming, quotes or expansion; a last line without a line end counts. A
// NUL byte ends its piece's text, as it ends a C string.
//
// A line whose length is an exact multiple of kTextBufferSize - 1 fills the
// buffer right up to its line end; that bare line end, left over for the
// next read, is not taken as an extra empty option.
std::vector<std::string> vmOptionFileLines(const std::string& text);

// The VM-options file names to try, in order, for the executable's long
// path: the path less its last four characters (whatever they are) plus
// ".vmoptions", then the whole path plus ".vmoptions".
// Where executables carry no suffix (the POSIX style), one candidate: a
// final ".exe" replaced, else ".vmoptions" appended.
std::vector<std::string> vmOptionsFileCandidates(const std::string& executablePath,
                                                 const PathStyle& style = PathStyle::windows());

// The rests ("-J" removed) of the arguments beginning with "-J", in order,
// the first element (program path) included.
std::vector<std::u16string> vmArgumentsOf(const std::vector<std::u16string>& arguments);

// The option sources in their fixed order.
struct VmOptionSources {
    std::vector<std::string> leading;     // the launcher's system properties
    std::vector<std::string> fileOptions; // the VM-options file's lines
    std::string classPath;                // "-Djava.class.path=..."
    std::vector<std::string> parameters;  // the configured VM parameters, split
    std::vector<std::string> vmArguments; // "-J" arguments without "-J"
    // "-Dsun.java.command=..." or empty: last, where the standard launcher
    // puts it, so that it names the application whatever the options say.
    std::string javaCommand;
};

// The options in order: leading, file, class path, parameters, "-J"
// arguments, the java command when there is one. An option longer than kTextBufferSize - 1 bytes
// does not fit the JVM option buffer: it is left out whole and counted in *leftOut.
std::vector<std::string> assembleVmOptions(const VmOptionSources& sources, size_t* leftOut);

// The "-Dsun.java.command=" option the standard launcher gives a JVM: the
// main class, then each application argument after one space, unquoted (an
// argument with blanks cannot be told apart afterwards, there as here).
// Tools read the application's name and arguments from it. Arguments that
// would take the option past kTextBufferSize - 1 bytes are left off from
// the first that does not fit, so that the option is never dropped whole.
// Empty for an empty main class: there is nothing to name.
std::string javaCommandOption(const std::string& mainClass,
                              const std::vector<std::string>& arguments);

} // namespace lumen
