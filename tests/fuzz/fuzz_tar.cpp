// libFuzzer target: the input is a decompressed runtime archive. Whatever it
// holds, the reader must end, never hand the target a name that could leave
// it or pass the name limit, never write more bytes than the archive carries
// (links come as copies, which the target makes itself), copy only files it
// wrote and closed before, and report success only with a file written.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>

#include "core/path_rules.h"
#include "core/tar_reader.h"

namespace {

class Input : public lumen::TarInput {
  public:
    Input(const uint8_t* data, size_t size) : data_(data), size_(size) {}
    long read(void* buffer, size_t n) override {
        const size_t got = n < size_ - position_ ? n : size_ - position_;
        if (got != 0) std::memcpy(buffer, data_ + position_, got);
        position_ += got;
        return static_cast<long>(got);
    }
    bool skip(long n) override {
        if (n < 0 || static_cast<size_t>(n) > size_ - position_) return false;
        position_ += static_cast<size_t>(n);
        return true;
    }
    long tell() override { return static_cast<long>(position_); }
    bool atEnd() override { return position_ >= size_; }

  private:
    const uint8_t* data_;
    size_t size_;
    size_t position_ = 0;
};

void requireInside(const std::string& name) {
    bool ok = !name.empty() && name.size() <= lumen::kTarNameLimit && name[0] != '\\' &&
              name.find(':') == std::string::npos && name.find('/') == std::string::npos;
    for (const std::string& part : lumen::splitList(name, '\\'))
        if (part == "..") ok = false;
    if (!ok) std::abort();
}

class Target : public lumen::TarOutput {
  public:
    explicit Target(size_t limit) : limit_(limit) {}
    void makeDirectory(const std::string& name) override { requireInside(name); }
    bool openFile(const std::string& name) override {
        requireInside(name);
        if (open_) std::abort(); // one file at a time
        open_ = true;
        current_ = name;
        return true;
    }
    bool writeCopyOf(const std::string& name) override {
        if (!open_ || writtenNames_.count(name) == 0 || name == current_) std::abort();
        return true;
    }
    bool write(const void*, size_t size) override {
        if (!open_) std::abort();
        written_ += size;
        if (written_ > limit_) std::abort();
        return true;
    }
    bool closeFile() override {
        if (!open_) std::abort();
        open_ = false;
        writtenNames_.insert(current_);
        return true;
    }
    void progress(long) override {}
    unsigned long tickCount() override { return ++ticks_; }
    void log(bool, const std::string&) override {}

    bool wroteAFile() const { return !writtenNames_.empty(); }

  private:
    size_t limit_;
    size_t written_ = 0;
    bool open_ = false;
    std::string current_;
    std::set<std::string> writtenNames_;
    unsigned long ticks_ = 0;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    Input input(data, size);
    Target target(size);
    if (lumen::untarStream(input, target).ok() && !target.wroteAFile()) std::abort();
    return 0;
}
