// Scratch directories, files and the real stubs for the builder's tests.
#pragma once

#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace lumen::builder::test_support {

class ScratchDir {
  public:
    ScratchDir() {
        char pattern[] = "/tmp/lumen-builder-XXXXXX";
        path_ = mkdtemp(pattern);
    }
    ~ScratchDir() { std::system(("rm -rf '" + path_ + "'").c_str()); }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;
    std::string operator/(const std::string& name) const { return path_ + "/" + name; }
    const std::string& path() const { return path_; }

  private:
    std::string path_;
};

inline void writeFile(const std::string& path, const std::string& content) {
    std::ofstream(path, std::ios::binary) << content;
}

inline std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

// A stub of `make dist` (lumen-x86.exe, lumen-linux-x64, ...).
inline std::string distStub(const std::string& name) {
    return std::string(LUMEN_SOURCE_DIR) + "/dist/stub/" + name;
}

// Runs a shell command; true when it exits with 0.
inline bool run(const std::string& command) {
    return std::system(command.c_str()) == 0;
}

} // namespace lumen::builder::test_support
