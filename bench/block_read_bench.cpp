// How long the stub takes to read its configuration, against the cost of
// just getting the same bytes off the file. Writes a block of 1,000 narrow
// and 100 wide properties to a temporary file, then times (best of many runs)
//   (a) the stub's path: BlockReader over a file descriptor read with read(2),
//       as the stub's source reads with ReadFile, into a PropertyStore;
//   (b) one plain read(2) of the whole block into a ready buffer.
// Prints both and their ratio; it asserts nothing about the times. Two more
// lines put (a) beside its parts: the same read from memory (no I/O, one
// extra copy), and a walk of the tables field by field through the reader's
// own readString/readWString (a text copied out per property, no store).
#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "core/config_block.h"
#include "core/property_store.h"

namespace {

constexpr int kNarrowCount = 1000;
constexpr int kWideCount = 100;
constexpr int kRepetitions = 300;

using Clock = std::chrono::steady_clock;

// Deterministic texts of 10-200 bytes that look like a launcher's settings:
// class paths, VM options, messages, paths.
class TextMaker {
  public:
    std::string narrow() {
        static const char* const kWords[] = {"lib/",
                                             "app",
                                             ".jar",
                                             ";",
                                             "-Xmx512m ",
                                             "-D",
                                             "file.encoding",
                                             "=UTF-8 ",
                                             "C:\\Program Files\\",
                                             "Acme\\",
                                             "com.acme.",
                                             "Main",
                                             "Please install Java ",
                                             "17 or newer. ",
                                             "%EXEDIR%\\",
                                             "jre",
                                             ",",
                                             "255",
                                             "The application could not start. ",
                                             "https://example.org/java",
                                             " ",
                                             "runtime",
                                             "-Dsun.java2d.noddraw=true "};
        return build(kWords, sizeof kWords / sizeof *kWords, 10 + next() % 191);
    }

    std::u16string wide() {
        static const char16_t* const kWords[] = {u"Bitte installieren Sie Java ",
                                                 u"\u00fcber ",
                                                 u"Caf\u00e9 ",
                                                 u"C:\\Users\\J\u00f6rg\\",
                                                 u"Se requiere Java. ",
                                                 u"\u65e5\u672c\u8a9e ",
                                                 u"Acme ",
                                                 u"Fehler: ",
                                                 u"\u00e9t\u00e9 ",
                                                 u"Anwendung "};
        const size_t units = (10 + next() % 191) / 2;
        std::u16string out;
        while (out.size() < units)
            out += kWords[next() % (sizeof kWords / sizeof *kWords)];
        out.resize(units);
        return out;
    }

  private:
    uint32_t next() {
        state_ = state_ * 1664525u + 1013904223u;
        return state_ >> 8;
    }

    std::string build(const char* const* words, size_t count, size_t length) {
        std::string out;
        while (out.size() < length)
            out += words[next() % count];
        out.resize(length);
        return out;
    }

    uint32_t state_ = 12345;
};

struct FileSource {
    int fd;
    size_t calls = 0;

    lumen::ByteSource source() {
        lumen::ByteSource s;
        s.context = this;
        s.read = [](void* context, void* buffer, size_t n, size_t& got, unsigned long& error) {
            auto* self = static_cast<FileSource*>(context);
            ++self->calls;
            const ssize_t r = ::read(self->fd, buffer, n);
            if (r < 0) {
                error = static_cast<unsigned long>(errno);
                got = 0;
                return false;
            }
            got = static_cast<size_t>(r);
            return true;
        };
        return s;
    }
};

// Walks both tables with the reader alone, reusing one text of each kind, so
// the store's maps and per-text allocations are left out.
bool walkTables(lumen::BlockReader& reader) {
    int32_t value = 0;
    std::string text;
    std::u16string wideText;
    if (!reader.readInt(value) || static_cast<uint32_t>(value) != lumen::kBlockMagic) return false;
    if (!reader.readInt(value)) return false;
    for (int32_t i = 0, n = value; i < n; ++i)
        if (!reader.readInt(value) || reader.readString(text) != lumen::BlockError::None)
            return false;
    if (!reader.readInt(value)) return false;
    for (int32_t i = 0, n = value; i < n; ++i)
        if (!reader.readInt(value) || reader.readWString(wideText) != lumen::BlockError::None)
            return false;
    return reader.bytesLeft() == 0;
}

[[noreturn]] void die(const char* what) {
    std::perror(what);
    std::exit(1);
}

double microseconds(Clock::duration d) {
    return std::chrono::duration<double, std::micro>(d).count();
}

} // namespace

int main() {
    TextMaker maker;
    std::map<int32_t, std::string> narrow;
    std::map<int32_t, std::u16string> wide;
    for (int i = 0; i < kNarrowCount; ++i)
        narrow[i * 7 + 3] = maker.narrow();
    for (int i = 0; i < kWideCount; ++i)
        wide[20000 + i] = maker.wide();
    const std::string block = lumen::encodeConfigurationTables(narrow, wide);

    char path[] = "/tmp/lumen-bench-XXXXXX";
    const int fd = mkstemp(path);
    if (fd < 0) die("mkstemp");
    unlink(path);
    if (::write(fd, block.data(), block.size()) != static_cast<ssize_t>(block.size())) die("write");

    Clock::duration bestStub = Clock::duration::max();
    Clock::duration bestPlain = Clock::duration::max();
    Clock::duration bestMemory = Clock::duration::max();
    Clock::duration bestWalk = Clock::duration::max();
    size_t readCalls = 0;
    std::vector<char> buffer(block.size());
    for (int rep = 0; rep < kRepetitions; ++rep) {
        {
            if (lseek(fd, 0, SEEK_SET) != 0) die("lseek");
            FileSource file{fd};
            lumen::PropertyStore store;
            const Clock::time_point start = Clock::now();
            lumen::BlockReader reader(file.source(), block.size());
            const lumen::BlockError error = lumen::readConfigurationBlock(reader, store);
            const Clock::duration took = Clock::now() - start;
            if (error != lumen::BlockError::None || store.narrowCount() != narrow.size() ||
                store.wideCount() != wide.size()) {
                std::fprintf(stderr, "the block did not read back: %s\n",
                             lumen::blockErrorText(error));
                return 1;
            }
            // Once, outside the timing: every text came back as written.
            if (rep == 0 && (store.narrowMap() != narrow || store.wideMap() != wide)) {
                std::fprintf(stderr, "the block's texts did not read back\n");
                return 1;
            }
            bestStub = std::min(bestStub, took);
            readCalls = file.calls;
        }
        {
            if (lseek(fd, 0, SEEK_SET) != 0) die("lseek");
            const Clock::time_point start = Clock::now();
            const ssize_t got = ::read(fd, buffer.data(), buffer.size());
            const Clock::duration took = Clock::now() - start;
            if (got != static_cast<ssize_t>(block.size())) die("read");
            bestPlain = std::min(bestPlain, took);
        }
        {
            lumen::MemorySource memory{reinterpret_cast<const uint8_t*>(block.data()),
                                       block.size()};
            lumen::PropertyStore store;
            const Clock::time_point start = Clock::now();
            lumen::BlockReader reader(memory.source(), block.size());
            const lumen::BlockError error = lumen::readConfigurationBlock(reader, store);
            const Clock::duration took = Clock::now() - start;
            if (error != lumen::BlockError::None) return 1;
            bestMemory = std::min(bestMemory, took);
        }
        {
            lumen::MemorySource memory{reinterpret_cast<const uint8_t*>(block.data()),
                                       block.size()};
            const Clock::time_point start = Clock::now();
            lumen::BlockReader reader(memory.source(), block.size());
            const bool ok = walkTables(reader);
            const Clock::duration took = Clock::now() - start;
            if (!ok) return 1;
            bestWalk = std::min(bestWalk, took);
        }
    }
    close(fd);

    const double stub = microseconds(bestStub);
    const double plain = microseconds(bestPlain);
    std::printf("block: %zu bytes, %d narrow and %d wide properties\n", block.size(), kNarrowCount,
                kWideCount);
    std::printf("stub read (BlockReader, %zu read calls): %9.1f us (best of %d)\n", readCalls, stub,
                kRepetitions);
    std::printf("plain read(2) of the same bytes:          %9.1f us (best of %d)\n", plain,
                kRepetitions);
    std::printf("ratio: %.2fx (target: within 3x)\n", stub / plain);
    std::printf("  of which: the same from memory into a store     %9.1f us\n",
                microseconds(bestMemory));
    std::printf("  beside:   a field-by-field walk, no store        %9.1f us\n",
                microseconds(bestWalk));
    return 0;
}
