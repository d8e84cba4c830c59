// The general error handler: an error that escapes a handler ends that handler's work and its message
// is shown to the operator (a message box in the application, standard error in the companion, a
// recorder in tests). Window handlers run their work through guarded() so no error escapes into the
// window system.
#pragma once

#include <exception>
#include <functional>
#include <string>

namespace torvane {

class Redactor;

// Receives the message already formatted (formatErrorMessage).
using ErrorReporter = std::function<void(const std::string& message)>;
void setErrorReporter(ErrorReporter reporter);

// The message of the error in flight (call from a catch block), not yet formatted, with the secrets
// masked (those a run took: a message box, standard error or an output file would show it).
std::string currentExceptionMessage(const Redactor* secrets = nullptr);
// Reports the error in flight (call from a catch block) through the reporter.
void reportCurrentException(const Redactor* secrets = nullptr);

// Runs work; an error it throws is reported. Returns false when it failed.
template <typename Work> bool guarded(Work&& work)
{
    try {
        work();
        return true;
    } catch (...) {
        reportCurrentException();
        return false;
    }
}

}  // namespace torvane
