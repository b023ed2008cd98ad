// Process entry of the POSIX launcher. The arguments are kept as the system
// split them; the command line handed to the launcher serves only its
// switches (-q, /manual), which look at the text after the program name.
#include <string>
#include <vector>

#include "launcher/entry.h"

int main(int argc, char** argv) {
    // The run's context lives as long as the process (see main_win.cpp).
    auto* launcher = new lumen::Launcher(); // NOLINT(cppcoreguidelines-owning-memory)
    launcher->state.systemArguments = std::vector<std::string>(argv, argv + argc);
    std::string commandLine = "\"" + std::string(argc > 0 ? argv[0] : "") + "\"";
    for (int i = 1; i < argc; ++i)
        commandLine += " " + std::string(argv[i]);
    // Without a window system to count on, reports go to the standard error
    // stream from the start, as in the Windows console flavour.
    return lumen::launcherMain(*launcher, commandLine, nullptr, true);
}
