// A runtime archive read through zlib's gz interface, as the tar reader's
// input.
//
// Contract: GzArchive owns its gzFile and closes it at the latest when it
// goes. open() uses mode "rb", so a file that is not gzip-compressed reads
// unchanged (zlib's transparent mode). read() gives -1 on a zlib error;
// skip() skips forward relative to the current position. finish() reads
// whatever the tar reader left (the end blocks' padding and the gzip
// trailer), then closes the file; it fails when the data is damaged: a
// failed CRC or length check, a stream that ends early (zlib reports that
// only at the end of the data or on closing), or a read error. Only a
// finished archive has been checked whole. Plain C++ over zlib: the native
// benchmark reads archives through the same class.
#pragma once

#include <string>

#include "core/tar_reader.h"

namespace lumen {

class GzArchive : public TarInput {
  public:
    GzArchive() = default;
    ~GzArchive() override { close(); }
    GzArchive(const GzArchive&) = delete;
    GzArchive& operator=(const GzArchive&) = delete;

    bool open(const std::string& path);
    long read(void* buffer, size_t n) override;
    bool skip(long n) override;
    long tell() override;
    bool atEnd() override;
    // Reads to the end and closes; problem says what was wrong.
    bool finish(std::string& problem);
    // Closes without a check; false when zlib reported a problem on close.
    bool close();

  private:
    void* file_ = nullptr; // gzFile
};

} // namespace lumen
