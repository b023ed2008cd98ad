// Failures as values: what went wrong, how it is reported and with which
// exit code the process ends.
//
// Contract: the launcher's modules never end the process. A step that
// fails returns a Failure up to the one place that reports it and exits
// (errors.h: exitWithFailure, called by the entry and by the dialog mode's
// main thread); everything on the way may still log or clean up. Outcome is
// success or a Failure; Result<T> is a value or a Failure. Both are
// [[nodiscard]]: a failure is never dropped by accident.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <variant>

#include "core/property_catalogue.h"

namespace lumen {

struct Failure {
    enum class Report {
        None,         // no report: the process ends with the exit code
        Text,         // a fixed text with the log line
        Message,      // a configured message, a placeholder replaced
        WideMessage,  // a configured UTF-16 message
        FilesDamaged, // the included files could not be unpacked
        SystemBox,    // a message box of its own, whatever the report switch
    };

    Report report = Report::None;
    std::string text;        // Text; SystemBox: the box text
    std::string caption;     // SystemBox
    Property message{};      // Message, WideMessage
    std::string placeholder; // Message: replaced at its first occurrence
    std::string replacement;
    unsigned exitCode = 1;
    // Whether the unpacked files are scheduled for deletion when the process
    // ends this way (every report does so; an orderly end does not).
    bool cleanup = true;
    // Set once the report was shown (by a thread other than the exiting
    // one), so that exiting does not show it again.
    bool reported = false;

    // An end without a report (also the orderly end of a run: code 0, no
    // clean-up).
    static Failure exit(unsigned code, bool cleanup = true) {
        Failure failure;
        failure.exitCode = code;
        failure.cleanup = cleanup;
        return failure;
    }
    static Failure fixedText(std::string text) {
        Failure failure;
        failure.report = Report::Text;
        failure.text = std::move(text);
        return failure;
    }
    static Failure configured(Property message, std::string placeholder = "",
                              std::string replacement = "") {
        Failure failure;
        failure.report = Report::Message;
        failure.message = message;
        failure.placeholder = std::move(placeholder);
        failure.replacement = std::move(replacement);
        return failure;
    }
    // Message 1009 with its internal error code.
    static Failure internalError(const char* code) {
        return configured(Property::MessageInternalError, "%ERROR_CODE%", code);
    }
    static Failure configuredWide(Property message) {
        Failure failure;
        failure.report = Report::WideMessage;
        failure.message = message;
        return failure;
    }
    static Failure filesDamaged() {
        Failure failure;
        failure.report = Report::FilesDamaged;
        failure.message = Property::UiFilesDamaged;
        return failure;
    }
    static Failure systemBox(std::string text, std::string caption) {
        Failure failure;
        failure.report = Report::SystemBox;
        failure.text = std::move(text);
        failure.caption = std::move(caption);
        return failure;
    }
};

class [[nodiscard]] Outcome {
  public:
    Outcome() = default;
    // Implicit on purpose: a step returns a Failure where it fails.
    // cppcheck-suppress noExplicitConstructor
    Outcome(Failure failure)
        : failure_(std::move(failure)) {} // NOLINT(google-explicit-constructor)
    bool ok() const { return !failure_.has_value(); }
    explicit operator bool() const { return ok(); }
    const Failure& failure() const { return *failure_; }

  private:
    std::optional<Failure> failure_;
};

template <typename T> class [[nodiscard]] Result {
  public:
    // Implicit on purpose: a step returns its value or a Failure.
    // cppcheck-suppress noExplicitConstructor
    Result(T value) : content_(std::move(value)) {} // NOLINT(google-explicit-constructor)
    // cppcheck-suppress noExplicitConstructor
    Result(Failure failure) : content_(std::move(failure)) {} // NOLINT(google-explicit-constructor)
    bool ok() const { return content_.index() == 0; }
    explicit operator bool() const { return ok(); }
    T& value() { return std::get<0>(content_); }
    const T& value() const { return std::get<0>(content_); }
    const Failure& failure() const { return std::get<1>(content_); }
    Outcome outcome() const { return ok() ? Outcome() : Outcome(failure()); }

  private:
    std::variant<T, Failure> content_;
};

} // namespace lumen
