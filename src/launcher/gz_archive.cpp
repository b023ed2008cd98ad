#include "launcher/gz_archive.h"

#include <zlib.h>

#include <vector>

namespace lumen {
namespace {

// Larger than zlib's 8 KiB default: fewer reads of the compressed file.
constexpr unsigned kInputBuffer = 128 * 1024;
constexpr size_t kDrainBlock = size_t{64} * 1024;

gzFile handle(void* file) {
    return static_cast<gzFile>(file);
}

} // namespace

bool GzArchive::open(const std::string& path) {
    close();
    gzFile file = gzopen(path.c_str(), "rb");
    if (file == nullptr) return false;
    gzbuffer(file, kInputBuffer);
    file_ = file;
    return true;
}

long GzArchive::read(void* buffer, size_t n) {
    if (file_ == nullptr) return -1;
    const unsigned want = n > 0x40000000u ? 0x40000000u : static_cast<unsigned>(n);
    const int got = gzread(handle(file_), buffer, want);
    return got < 0 ? -1 : got;
}

bool GzArchive::skip(long n) {
    return file_ != nullptr && gzseek(handle(file_), n, SEEK_CUR) != -1;
}

long GzArchive::tell() {
    return file_ != nullptr ? static_cast<long>(gztell(handle(file_))) : -1;
}

bool GzArchive::atEnd() {
    return file_ == nullptr || gzeof(handle(file_)) != 0;
}

bool GzArchive::finish(std::string& problem) {
    if (file_ == nullptr) {
        problem = "archive not open";
        return false;
    }
    std::vector<char> rest(kDrainBlock);
    int got;
    do {
        got = gzread(handle(file_), rest.data(), static_cast<unsigned>(rest.size()));
    } while (got > 0);
    // A stream cut short is Z_BUF_ERROR ("unexpected end of file"), which
    // gzread itself does not turn into -1.
    int error = Z_OK;
    const char* message = gzerror(handle(file_), &error);
    if (error != Z_OK) problem = message != nullptr ? message : "gzip stream error";
    if (!close() && problem.empty()) problem = "gzclose failed";
    return problem.empty();
}

bool GzArchive::close() {
    if (file_ == nullptr) return true;
    // gzclose_r, not gzclose: the archive is only ever read, and gzclose
    // would link zlib's whole compressor into the stub for its write side.
    const int result = gzclose_r(handle(file_));
    file_ = nullptr;
    return result == Z_OK;
}

} // namespace lumen
