#include "core/report_text.h"

#include <cstdio>

#include "core/property_store.h"

namespace lumen {

template <typename Char> void cutToBuffer(std::basic_string<Char>& text) {
    if (text.size() > kTextBufferSize - 1) text.resize(kTextBufferSize - 1);
}
template void cutToBuffer<char>(std::string&);
template void cutToBuffer<char16_t>(std::u16string&);

void replaceFirst(std::string& text, const std::string& placeholder,
                  const std::string& replacement) {
    if (placeholder.empty()) return;
    const size_t at = text.find(placeholder);
    if (at == std::string::npos) return;
    text.replace(at, placeholder.size(), replacement);
    cutToBuffer(text);
}

std::string composeReport(const std::string& text, const std::string* logPath) {
    std::string out = text;
    if (logPath != nullptr) out += "\n\nLog: " + *logPath;
    cutToBuffer(out);
    return out;
}

std::u16string composeReportWide(const std::u16string& text, const std::u16string* logPath) {
    std::u16string out = text;
    if (logPath != nullptr) out += u"\n\nLog: " + *logPath;
    cutToBuffer(out);
    return out;
}

std::string logHeader(const std::string& executable, const std::string& ctimeText) {
    return "Started executable " + executable + " at " + ctimeText + "\n";
}

std::string logLine(bool error, const std::string& message) {
    return (error ? "ERROR: " : "") + message + "\n";
}

std::string logFileName(unsigned long processId, unsigned long stamp, unsigned attempt) {
    char suffix[64];
    (void)std::snprintf(suffix, sizeof suffix, "%lx_%lx_%x", processId, stamp, attempt);
    return std::string("tsx_nlog_") + suffix;
}

} // namespace lumen
