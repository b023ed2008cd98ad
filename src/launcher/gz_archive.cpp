#include "launcher/gz_archive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <vector>

namespace lumen {
namespace {

// Larger than zlib's 8 KiB default: fewer reads of the compressed file.
constexpr size_t kInputBuffer = size_t{128} * 1024;
// Small reads (the tar reader's headers, padding, single bytes of a
// record) are served from decoded data kept here: inflate is fast only
// when it has room to write into.
constexpr size_t kOutputBuffer = size_t{256} * 1024;
constexpr size_t kDirectRead = size_t{64} * 1024;
// Decodes gzip only (16 + the largest window): inflate checks the header,
// the CRC and the length itself.
constexpr int kGzipWindow = 16 + MAX_WBITS;

} // namespace

// The inflate state with its input buffer; the zlib header stays out of
// the interface.
struct GzArchive::Stream {
    z_stream z{};
    bool initialised = false;
    std::vector<unsigned char> input = std::vector<unsigned char>(kInputBuffer);
    std::vector<unsigned char> output = std::vector<unsigned char>(kOutputBuffer);
    size_t outputStart = 0; // decoded bytes not yet handed out:
    size_t outputEnd = 0;   // output[outputStart, outputEnd)
    ~Stream() {
        if (initialised) inflateEnd(&z);
    }
};

GzArchive::GzArchive() = default;

GzArchive::~GzArchive() {
    close();
}

bool GzArchive::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    if (file_ == nullptr) return false;
    // The archive is read in large blocks of our own: no second buffer.
    (void)std::setvbuf(file_, nullptr, _IONBF, 0);
    stream_ = std::make_unique<Stream>();
    problem_.clear();
    ended_ = eof_ = false;
    position_ = 0;
    if (!fill()) {
        if (!problem_.empty()) return close();
        ended_ = true; // an empty file reads as empty, as a plain file
        gzip_ = false;
        return true;
    }
    z_stream& z = stream_->z;
    gzip_ = z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b;
    if (gzip_) {
        if (inflateInit2(&z, kGzipWindow) != Z_OK) {
            close();
            return false;
        }
        stream_->initialised = true;
    }
    return true;
}

bool GzArchive::fill() {
    z_stream& z = stream_->z;
    if (z.avail_in != 0) return true;
    const size_t got = std::fread(stream_->input.data(), 1, stream_->input.size(), file_);
    if (got == 0) {
        if (std::ferror(file_)) fail("read error");
        return false;
    }
    z.next_in = stream_->input.data();
    z.avail_in = static_cast<uInt>(got);
    return true;
}

bool GzArchive::anotherMemberFollows() {
    z_stream& z = stream_->z;
    if (!fill()) return false;
    if (z.avail_in == 1) {
        // The magic may straddle two reads: keep its first byte, read on.
        unsigned char* data = stream_->input.data();
        data[0] = z.next_in[0];
        const size_t got = std::fread(data + 1, 1, stream_->input.size() - 1, file_);
        if (std::ferror(file_)) fail("read error");
        z.next_in = data;
        z.avail_in = static_cast<uInt>(1 + got);
    }
    return z.avail_in >= 2 && z.next_in[0] == 0x1f && z.next_in[1] == 0x8b;
}

bool GzArchive::fail(const char* problem) {
    if (problem_.empty()) problem_ = problem;
    ended_ = true;
    return false;
}

size_t GzArchive::decode(unsigned char* out, size_t n) {
    z_stream& z = stream_->z;
    size_t done = 0;
    while (done < n && !ended_) {
        if (!fill()) {
            // Out of input inside a member: the stream was cut short.
            if (gzip_) fail("unexpected end of file");
            ended_ = true;
            break;
        }
        if (!gzip_) {
            const size_t take = std::min<size_t>(n - done, z.avail_in);
            std::memcpy(out + done, z.next_in, take);
            z.next_in += take;
            z.avail_in -= static_cast<uInt>(take);
            done += take;
            continue;
        }
        const size_t want = std::min<size_t>(n - done, 0x40000000u);
        z.next_out = out + done;
        z.avail_out = static_cast<uInt>(want);
        const int result = inflate(&z, Z_NO_FLUSH);
        done += want - z.avail_out;
        if (result == Z_STREAM_END) {
            // Another member may follow; anything else after the last one
            // is not part of the archive.
            if (!anotherMemberFollows() || inflateReset(&z) != Z_OK) ended_ = true;
        } else if (result != Z_OK && result != Z_BUF_ERROR) {
            fail(z.msg != nullptr ? z.msg : "gzip stream error");
        }
    }
    return done;
}

size_t GzArchive::refillOutput() {
    Stream& stream = *stream_;
    stream.outputStart = 0;
    stream.outputEnd = decode(stream.output.data(), stream.output.size());
    return stream.outputEnd;
}

long GzArchive::inflateInto(unsigned char* out, size_t n) {
    Stream& stream = *stream_;
    size_t done = std::min(n, stream.outputEnd - stream.outputStart);
    std::memcpy(out, stream.output.data() + stream.outputStart, done);
    stream.outputStart += done;
    if (done < n && n - done >= kDirectRead) {
        done += decode(out + done, n - done);
    } else if (done < n) {
        const size_t more = std::min(n - done, refillOutput());
        std::memcpy(out + done, stream.output.data(), more);
        stream.outputStart = more;
        done += more;
    }
    position_ += static_cast<long>(done);
    if (done < n) eof_ = true;
    if (done == 0 && !problem_.empty()) return -1;
    return static_cast<long>(done);
}

long GzArchive::read(void* buffer, size_t n) {
    if (file_ == nullptr) return -1;
    return inflateInto(static_cast<unsigned char*>(buffer), n);
}

bool GzArchive::skip(long n) {
    if (file_ == nullptr || n < 0) return false;
    Stream& stream = *stream_;
    size_t left = static_cast<size_t>(n);
    for (;;) {
        const size_t kept = std::min(left, stream.outputEnd - stream.outputStart);
        stream.outputStart += kept;
        position_ += static_cast<long>(kept);
        left -= kept;
        if (left == 0) return problem_.empty();
        if (refillOutput() == 0) {
            eof_ = true;
            return false;
        }
    }
}

long GzArchive::tell() {
    return file_ != nullptr ? position_ : -1;
}

bool GzArchive::atEnd() {
    return file_ == nullptr || eof_;
}

bool GzArchive::finish(std::string& problem) {
    if (file_ == nullptr) {
        problem = "archive not open";
        return false;
    }
    while (refillOutput() > 0) {
    }
    problem = problem_;
    close();
    return problem.empty();
}

bool GzArchive::close() {
    if (file_ == nullptr) return true;
    (void)std::fclose(file_); // read only: nothing to lose on closing
    file_ = nullptr;
    stream_.reset();
    return problem_.empty();
}

} // namespace lumen
