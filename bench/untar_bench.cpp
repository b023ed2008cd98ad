// untar_bench ARCHIVE TARGET: unpacks ARCHIVE (tar.gz, or plain tar) into
// the existing directory TARGET with the launcher's own reader (the core's
// tar reader over zlib's gz interface, as the stub runs it) and prints
// "<seconds> <bytes of file data>". The benchmark script times GNU tar on
// the same archive and prints the ratio.
// untar_bench --gzread ARCHIVE: the floor under any untar of ARCHIVE, a bare
// zlib loop that decompresses it through gzread with the launcher's buffer
// sizes and writes nothing; prints "<seconds> <bytes decompressed>".
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "core/tar_reader.h"
#include "launcher/gz_archive.h"

#include <zlib.h>

namespace {

// Entry names arrive with "\" separators; here they become "/" again.
std::string posixName(std::string name) {
    std::replace(name.begin(), name.end(), '\\', '/');
    return name;
}

class PosixTarget : public lumen::TarOutput {
  public:
    void makeDirectory(const std::string& name) override { mkdir(posixName(name).c_str(), 0755); }
    bool openFile(const std::string& name) override {
        fd_ = open(posixName(name).c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        return fd_ >= 0;
    }
    bool write(const void* data, size_t size) override {
        const auto* bytes = static_cast<const char*>(data);
        while (size > 0) {
            const ssize_t done = ::write(fd_, bytes, size);
            if (done <= 0) return false;
            bytes += done;
            size -= static_cast<size_t>(done);
            written += static_cast<size_t>(done);
        }
        return true;
    }
    // Links arrive as copies of files written before.
    bool writeCopyOf(const std::string& name) override {
        const int source = open(posixName(name).c_str(), O_RDONLY);
        if (source < 0) return false;
        std::vector<char> buffer(lumen::kTarCopyBlock);
        ssize_t got = 0;
        while ((got = ::read(source, buffer.data(), buffer.size())) > 0 &&
               write(buffer.data(), static_cast<size_t>(got))) {
        }
        ::close(source);
        return got == 0;
    }
    bool closeFile() override {
        const bool ok = fd_ >= 0 && close(fd_) == 0;
        fd_ = -1;
        return ok;
    }
    void progress(long) override {}
    unsigned long tickCount() override {
        return static_cast<unsigned long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                              std::chrono::steady_clock::now().time_since_epoch())
                                              .count());
    }
    void log(bool error, const std::string& line) override {
        if (error) std::fprintf(stderr, "%s\n", line.c_str());
    }
    size_t written = 0;

  private:
    int fd_ = -1;
};

int gzreadLoop(const char* path) {
    const auto start = std::chrono::steady_clock::now();
    gzFile file = gzopen(path, "rb");
    if (file == nullptr) {
        std::fprintf(stderr, "cannot open %s\n", path);
        return 1;
    }
    gzbuffer(file, 128 * 1024); // as the launcher's GzArchive
    std::vector<char> buffer(lumen::kTarCopyBlock);
    size_t total = 0;
    int got = 0;
    while ((got = gzread(file, buffer.data(), static_cast<unsigned>(buffer.size()))) > 0)
        total += static_cast<size_t>(got);
    gzclose(file);
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %zu\n", seconds, total);
    return got == 0 ? 0 : 1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc == 3 && std::string(argv[1]) == "--gzread") return gzreadLoop(argv[2]);
    if (argc != 3) {
        std::fprintf(stderr, "usage: untar_bench ARCHIVE TARGET\n");
        return 2;
    }
    const auto start = std::chrono::steady_clock::now();
    lumen::GzArchive archive;
    if (!archive.open(argv[1]) || chdir(argv[2]) != 0) {
        std::fprintf(stderr, "cannot open %s or enter %s\n", argv[1], argv[2]);
        return 1;
    }
    PosixTarget target;
    bool ok = lumen::untarStream(archive, target).ok();
    std::string problem;
    if (ok && !archive.finish(problem)) {
        std::fprintf(stderr, "damaged: %s\n", problem.c_str());
        ok = false;
    }
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%.3f %zu\n", seconds, target.written);
    return ok ? 0 : 1;
}
