#include "util/error_handler.h"

#include "util/error.h"
#include "util/secrets.h"

#include <cstdio>
#include <stdexcept>

namespace torvane {

namespace {
ErrorReporter& reporter()
{
    static ErrorReporter r = [](const std::string& message) { std::fprintf(stderr, "%s\n", message.c_str()); };
    return r;
}
}  // namespace

void setErrorReporter(ErrorReporter r)
{
    reporter() = std::move(r);
}

std::string currentExceptionMessage(const Redactor* secrets)
{
    try {
        throw;
    } catch (const std::exception& e) {
        return !secrets || secrets->empty() ? std::string(e.what()) : secrets->apply(e.what());
    } catch (...) {
        return "Unknown error";
    }
}

void reportCurrentException(const Redactor* secrets)
{
    reporter()(formatErrorMessage(currentExceptionMessage(secrets)));
}

}  // namespace torvane
