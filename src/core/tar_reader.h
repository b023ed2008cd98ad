// Reading a runtime archive: a (decompressed) tar stream of ustar headers.
//
// Contract: untarStream() walks the stream header by header: directories
// ("5") are created, regular files ("0") copied in blocks of at most 32,768
// bytes, every other entry type skipped with its data; the stream ends
// successfully at the first header without the "ustar" magic once at least
// one file was written. Names have "/" turned into "\" (the target's
// separator) and are refused when absolute, with a drive, with a ".."
// component, or with a component Windows would read as something else (a
// device, a name with trailing dots or blanks, reserved characters), so
// nothing is ever written outside the target; a size field
// beyond what a 32-bit signed size holds is refused too; either refusal
// makes the archive corrupted. Every step is traced through the sink's log
// with the launcher's fixed texts. A file whose data ends early fails with
// "sizes don't match". The input and output are interfaces, so the reader
// runs natively in tests and over zlib in the launcher.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace lumen {

constexpr size_t kTarCopyBlock = 32768;

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
    // Closes the open file; false when the stream reported an error.
    virtual bool closeFile() = 0;
    // A regular file starts, or 200 ms passed within one: the stream offset.
    virtual void progress(long offset) = 0;
    virtual unsigned long tickCount() = 0;
    virtual void log(bool error, const std::string& line) = 0;
    // The file could not be created: ends the run (does not return in the
    // launcher; tests may return, and the reader then stops).
    virtual void fileCreationFailed(const std::string& name) = 0;
};

// The size field: octal digits after leading blanks or zeros, ended by NUL
// or a blank. -1 when the value does not fit a 32-bit signed size.
int64_t parseOctal(const char* field, size_t length);

// The entry name as it is written below the target ("/" -> "\"), or false
// when it could reach outside the target or a device. "." components pass.
bool tarEntryName(const char* field, size_t length, std::string& name);

bool untarStream(TarInput& input, TarOutput& output);

} // namespace lumen
