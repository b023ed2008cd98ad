#include "os/process.h"

#include <algorithm>

#include <cerrno>
#include <fcntl.h>
#include <signal.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

#include "core/arguments.h"
#include "os/system.h"
#include "os/text.h"

namespace lumen::os {
namespace {

// Between fork and exec: system calls only.
void closeFrom(int first) {
    if (::syscall(SYS_close_range, static_cast<unsigned>(first), ~0u, 0u) == 0) return;
    const long limit = ::sysconf(_SC_OPEN_MAX);
    for (long fd = first; fd < (limit > 0 ? limit : 1024); ++fd)
        ::close(static_cast<int>(fd));
}

} // namespace

// The command line keeps the Windows form the launcher writes (quoted paths,
// blanks between arguments); it is split by the same rules and run without
// a shell, so no character of a path is ever interpreted.
bool runHidden(const std::string& commandLine, const std::string& standardErrorFile,
               unsigned long timeoutMs, unsigned long& exitCode) {
    exitCode = kStillActive;
    std::vector<std::u16string> pieces;
    if (splitArguments(wideFromNarrow(commandLine), pieces) != SplitOutcome::Complete ||
        pieces.empty())
        return false;
    std::vector<std::string> arguments(pieces.size());
    std::transform(pieces.begin(), pieces.end(), arguments.begin(),
                   [](const std::u16string& piece) { return narrowFromWide(piece); });
    std::vector<char*> argv(arguments.size() + 1, nullptr);
    std::transform(arguments.begin(), arguments.end(), argv.begin(),
                   [](std::string& argument) { return &argument[0]; });

    int errorFd = -1;
    if (!standardErrorFile.empty()) {
        errorFd = ::open(standardErrorFile.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
        if (errorFd < 0) return false;
    }
    const pid_t child = ::fork();
    if (child < 0) {
        if (errorFd >= 0) ::close(errorFd);
        if (!standardErrorFile.empty()) ::unlink(standardErrorFile.c_str());
        return false;
    }
    if (child == 0) {
        if (errorFd >= 0) {
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, STDIN_FILENO);
            ::dup2(null, STDOUT_FILENO);
            ::dup2(errorFd, STDERR_FILENO);
        }
        // Only the standard streams go over: descriptors the launcher (or a
        // library in it) opened without O_CLOEXEC are closed here.
        closeFrom(STDERR_FILENO + 1);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
    if (errorFd >= 0) ::close(errorFd);

    const unsigned long start = tickCount();
    for (;;) {
        int status = 0;
        const pid_t done = ::waitpid(child, &status, WNOHANG);
        if (done == child) {
            if (WIFEXITED(status) && WEXITSTATUS(status) == 127) {
                // execv failed: the program could not be started.
                if (!standardErrorFile.empty()) ::unlink(standardErrorFile.c_str());
                return false;
            }
            exitCode = WIFEXITED(status) ? static_cast<unsigned long>(WEXITSTATUS(status))
                                         : 128u + static_cast<unsigned long>(WTERMSIG(status));
            return true;
        }
        if (done < 0 && errno != EINTR) return true;
        if (timeoutMs != kWaitForever && tickCount() - start >= timeoutMs) {
            ::kill(child, SIGKILL);
            ::waitpid(child, &status, 0);
            errno = ETIMEDOUT;
            return true;
        }
        sleepMs(5);
    }
}

} // namespace lumen::os
