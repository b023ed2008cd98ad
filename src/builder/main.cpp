// lumen-build DESCRIPTION.toml -o OUTPUT.exe [--stub STUB]
// lumen-build --key-reference   (the readable keys, as Markdown tables)
// Exit codes: 0 written (warnings on the standard error stream), 2 bad input
// (nothing written), 1 other failures.
#include <CLI/CLI.hpp>
#include <cstdio>

#include "builder/description.h"
#include "builder/host.h"
#include "builder/key_reference.h"
#include "builder/writer.h"

int main(int argc, char** argv) {
    // The readable keys as docs/description-format.md lists them.
    if (argc == 2 && std::string(argv[1]) == "--key-reference") {
        std::fputs(lumen::builder::keyReference().c_str(), stdout);
        return 0;
    }
    CLI::App app{
        "Writes a Lumen launcher: a stub with its configuration block and included files."};
    std::string description, output, stub;
    app.add_option("description", description, "the launcher description (TOML)")->required();
    app.add_option("-o,--output", output, "the launcher to write")->required();
    app.add_option("--stub", stub,
                   "the stub to use (default: chosen by the launcher type and architecture from "
                   "../stub/)");
    std::vector<std::string> arguments = lumen::builder::utf8Arguments(argc, argv);
    if (arguments.empty()) arguments.push_back("lumen-build");
    try {
        // CLI11 takes the arguments without the program name, last first.
        std::vector<std::string> reversed(arguments.rbegin(), arguments.rend() - 1);
        app.parse(reversed);
    } catch (const CLI::ParseError& error) {
        const int code = app.exit(error);
        return code == 0 ? 0 : 2;
    }

    const std::string home = lumen::builder::ownDirectory();
    const std::string runtimeJar = home + "/../java/lumen-runtime.jar";
    try {
        const lumen::builder::Description parsed = lumen::builder::parseDescription(
            description, lumen::builder::isReadable(runtimeJar) ? runtimeJar : "");
        for (const std::string& warning : parsed.warnings)
            std::fprintf(stderr, "lumen-build: %s\n", warning.c_str());
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
