// A runtime archive read through zlib's inflate, as the tar reader's input.
//
// Contract: GzArchive owns its file and closes it at the latest when it
// goes. A file that does not begin with the gzip magic reads unchanged (as
// zlib's gz interface reads it); concatenated gzip members read as one
// stream, and bytes after the last member that are not another member are
// ignored. read() gives -1 on a zlib error or a stream that ends early
// (bytes decoded before the fault are returned first); skip() skips
// forward relative to the current position and fails when the data ends
// first. atEnd() is true once a read or skip asked for more than the data
// held. finish() reads whatever the tar reader left (the end blocks'
// padding and the gzip trailer), then closes the file; it fails when the
// data is damaged: a failed CRC or length check, a stream that ends early,
// or a read error. Only a finished archive has been checked whole. Plain
// C++ over zlib: the native benchmark reads archives through the same
// class.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "core/tar_reader.h"

namespace lumen {

class GzArchive : public TarInput {
  public:
    GzArchive();
    ~GzArchive() override;
    GzArchive(const GzArchive&) = delete;
    GzArchive& operator=(const GzArchive&) = delete;

    bool open(const std::string& path);
    long read(void* buffer, size_t n) override;
    bool skip(long n) override;
    long tell() override;
    bool atEnd() override;
    // Reads to the end and closes; problem says what was wrong.
    bool finish(std::string& problem);
    // Closes without a check; false when the data read so far was damaged.
    bool close();

  private:
    struct Stream;
    // Refills the input buffer; false at the end of the file or on an error.
    bool fill();
    // After a member's end: whether the gzip magic comes next.
    bool anotherMemberFollows();
    // Decodes up to n bytes into out; fewer only at the end or on a fault.
    size_t decode(unsigned char* out, size_t n);
    // Replaces the kept decoded bytes with the next ones; their count.
    size_t refillOutput();
    // Hands out n bytes, from the kept ones first; -1 when none came and
    // the data is damaged.
    long inflateInto(unsigned char* out, size_t n);
    bool fail(const char* problem);

    std::FILE* file_ = nullptr;
    std::unique_ptr<Stream> stream_;
    bool gzip_ = false;
    bool ended_ = false; // no more bytes will come
    bool eof_ = false;   // a read asked past the end
    long position_ = 0;
    std::string problem_;
};

} // namespace lumen
