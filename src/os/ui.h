// Message boxes and the standard streams.
#pragma once

#include <string>

namespace lumen::os {

// Shows an error message box owned by owner (may be null); blocks the
// calling thread until it is closed.
void errorBox(void* owner, const std::string& text, const std::string& caption);
void errorBoxWide(void* owner, const std::u16string& text, const std::u16string& caption);

// Writes to the standard error stream and flushes it.
void writeStandardError(const std::string& text);
void writeStandardErrorWide(const std::u16string& text);
void writeStandardOutput(const std::string& text);

} // namespace lumen::os
