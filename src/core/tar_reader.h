// Reading a runtime archive: a (decompressed) tar stream of ustar headers.
//
// Contract: untarStream() walks the stream header by header and ends
// successfully at the first header without the "ustar" magic once at least
// one regular file was written (or at the end of the stream then).
//
// Entries: directories ("5") are created; regular files ("0", "\0" and the
// contiguous "7"; a "\0" entry whose name ends in "/" is an old-style
// directory) are copied in blocks of at most 32,768 bytes; hard links ("1")
// and symbolic links ("2") are never made as links: each becomes a copy of
// the file it names. Pax global headers ("g"), devices, FIFOs and other
// types are skipped with their data. Sparse files (GNU "S" entries or pax
// "GNU.sparse." keys) cannot be reproduced and make the archive corrupted.
//
// Names: the entry's name is, by precedence, a pax "path" record, a GNU
// long name ("L"), or the ustar prefix joined to the name field with "/"
// (the prefix only in POSIX headers, "ustar\0": GNU headers keep other data
// there); a link's target likewise comes from a pax "linkpath" record, a
// GNU long link name ("K") or the link-name field. A pax "size" record
// replaces the header's size; other pax keys are ignored. Names have "/"
// turned into "\" (the target's separator) and are refused when longer than
// kTarNameLimit bytes, with a component longer than kTarComponentLimit
// bytes, absolute, with a drive, with a ".." component, or with a component
// Windows would read as something else (a device, a name with trailing
// dots or blanks, reserved characters), so nothing is ever written outside
// the target or under a name other than the archive's. The name limit lets
// every name fit below a target directory within the file systems' path
// limits (Linux's 4,096 bytes, Windows' extended-length paths; the
// launcher's Windows file calls use those past MAX_PATH). A refused name,
// a damaged extension record, an extension record not followed by an entry
// and a size beyond a 32-bit signed size all make the archive corrupted;
// the decision is made before anything is written under that entry.
//
// Links: a hard link's target is an archive name; a symbolic link's target
// is relative to the link's own directory. A target that is absolute or
// climbs out of the target is refused when its header is read. Links are
// resolved after the last entry, so a target may come later in the archive
// and links may chain; every link is checked before the first copy is
// made: a target that names no file of the archive, a cycle, or a target
// that is a directory (copying trees would multiply what one small archive
// writes, and resolving paths through linked directories is not lexical)
// makes the archive corrupted.
//
// Every step is traced through the sink's log with the launcher's fixed
// texts. A file whose data ends early fails with "sizes don't match". The
// input and output are interfaces, so the reader runs natively in tests and
// over zlib in the launcher. Failures are values: a file (or a link's copy)
// that cannot be created ends the walk with FileNotCreated and its text,
// and the caller decides what follows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen {

constexpr size_t kTarCopyBlock = 32768;
constexpr size_t kTarNameLimit = 1024;
constexpr size_t kTarComponentLimit = 255;

class TarInput {
  public:
    virtual ~TarInput() = default;
    // Bytes read (0 at the end), or -1 on an error.
    virtual long read(void* buffer, size_t n) = 0;
    // Skips n bytes forward; false on an error.
    virtual bool skip(long n) = 0;
    // Offset in the uncompressed stream.
    virtual long tell() = 0;
    virtual bool atEnd() = 0;
};

class TarOutput {
  public:
    virtual ~TarOutput() = default;
    virtual void makeDirectory(const std::string& name) = 0;
    // Opens a new file for writing; false when it cannot be created.
    virtual bool openFile(const std::string& name) = 0;
    // False when fewer bytes were written or the stream reports an error.
    virtual bool write(const void* data, size_t size) = 0;
    // Writes the whole content of a file this walk already wrote and closed
    // (its name as given to openFile) into the open file; false on a read or
    // write error.
    virtual bool writeCopyOf(const std::string& written) = 0;
    // Closes the open file; false when the stream reported an error.
    virtual bool closeFile() = 0;
    // A regular file starts, or 200 ms passed within one: the stream offset.
    virtual void progress(long offset) = 0;
    virtual unsigned long tickCount() = 0;
    virtual void log(bool error, const std::string& line) = 0;
};

enum class UntarStatus { Extracted, Corrupted, FileNotCreated };

struct UntarResult {
    UntarStatus status = UntarStatus::Corrupted;
    // With FileNotCreated: "Could not open file <name>\n", the text to report.
    std::string message;
    bool ok() const { return status == UntarStatus::Extracted; }
};

// The size field: octal digits after leading blanks or zeros, ended by NUL
// or a blank. -1 when the value does not fit a 32-bit signed size.
int64_t parseOctal(const char* field, size_t length);

// The entry name as it is written below the target ("/" -> "\"), or false
// when the raw name breaks one of the rules above. "." components pass.
bool tarEntryName(const std::string& raw, std::string& name);

[[nodiscard]] UntarResult untarStream(TarInput& input, TarOutput& output);

} // namespace lumen
