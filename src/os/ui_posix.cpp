#include "os/ui.h"

#include <cerrno>
#include <unistd.h>

#include "os/text.h"

namespace lumen::os {
namespace {

void writeAllTo(int fd, const std::string& text) {
    const char* bytes = text.data();
    size_t left = text.size();
    while (left > 0) {
        const ssize_t written = ::write(fd, bytes, left);
        if (written < 0 && errno == EINTR) continue;
        if (written <= 0) return;
        bytes += written;
        left -= static_cast<size_t>(written);
    }
}

} // namespace

// Without a window system to rely on, a message box is its caption and text
// on the standard error stream.
void errorBox(void* /*owner*/, const std::string& text, const std::string& caption) {
    writeAllTo(STDERR_FILENO, caption.empty() ? text + "\n" : caption + ": " + text + "\n");
}

void errorBoxWide(void* owner, const std::u16string& text, const std::u16string& caption) {
    errorBox(owner, narrowFromWide(text), narrowFromWide(caption));
}

void writeStandardError(const std::string& text) {
    writeAllTo(STDERR_FILENO, text);
}

void writeStandardErrorWide(const std::u16string& text) {
    writeStandardError(narrowFromWide(text));
}

void writeStandardOutput(const std::string& text) {
    writeAllTo(STDOUT_FILENO, text);
}

} // namespace lumen::os
