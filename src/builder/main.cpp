// lumen-build DESCRIPTION.toml -o OUTPUT.exe [--stub STUB]
// Exit codes: 0 written, 2 bad input (nothing written), 1 other failures.
#include <CLI/CLI.hpp>
#include <cstdio>
#include <limits.h>
#include <unistd.h>

#include "builder/description.h"
#include "builder/writer.h"

namespace {

// The directory of this executable, to find ../stub and ../java beside it.
std::string ownDirectory() {
    char path[PATH_MAX];
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    if (length <= 0) return ".";
    std::string self(path, static_cast<size_t>(length));
    return self.substr(0, self.find_last_of('/'));
}

bool readable(const std::string& path) {
    return access(path.c_str(), R_OK) == 0;
}

} // namespace

int main(int argc, char** argv) {
    CLI::App app{
        "Writes a Lumen launcher: a stub with its configuration block and included files."};
    std::string description, output, stub;
    app.add_option("description", description, "the launcher description (TOML)")->required();
    app.add_option("-o,--output", output, "the launcher to write")->required();
    app.add_option("--stub", stub,
                   "the stub to use (default: chosen by the launcher type and architecture from ../stub/)");
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }

    const std::string home = ownDirectory();
    const std::string runtimeJar = home + "/../java/lumen-runtime.jar";
    try {
        const lumen::builder::Description parsed =
            lumen::builder::parseDescription(description, readable(runtimeJar) ? runtimeJar : "");
        if (stub.empty()) stub = home + "/../stub/" + lumen::builder::defaultStubName(parsed);
        lumen::builder::writeLauncher(stub, parsed, output);
    } catch (const lumen::builder::DescriptionError& error) {
        std::fprintf(stderr, "lumen-build: %s\n", error.what());
        return 2;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "lumen-build: %s\n", error.what());
        return 1;
    }
    return 0;
}
