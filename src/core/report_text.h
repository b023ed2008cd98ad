// Composition of the texts that error reports and the log write.
//
// Contract: pure functions; every result is cut to the launcher's text
// buffer (kTextBufferSize - 1 bytes or units) exactly where the fixed-size
// buffers would cut it, never past it.
#pragma once

#include <string>

namespace lumen {

// Replaces the first occurrence of placeholder (if any) by replacement.
void replaceFirst(std::string& text, const std::string& placeholder,
                  const std::string& replacement);

// "%s\n\nLog: %s" of text and log path, or the text alone without a path.
std::string composeReport(const std::string& text, const std::string* logPath);
std::u16string composeReportWide(const std::u16string& text, const std::u16string* logPath);

// The log's first line: "Started executable %s at %s\n"; ctimeText keeps its
// own line feed, so a blank line follows.
std::string logHeader(const std::string& executable, const std::string& ctimeText);

// One log line: "ERROR: " directly before error messages, then "\n".
std::string logLine(bool error, const std::string& message);

// The log's file name: the prefix "tsx_nlog_" (the name support staff and the
// installer product look for: a stored format, kept) and a unique suffix.
std::string logFileName(unsigned long processId, unsigned long stamp, unsigned attempt);

template <typename Char> void cutToBuffer(std::basic_string<Char>& text);

} // namespace lumen
