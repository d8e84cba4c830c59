#include "util/error_handler.h"

#include "util/error.h"

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

void reportCurrentException()
{
    std::string message;
    try {
        throw;
    } catch (const std::exception& e) {
        message = e.what();
    } catch (...) {
        message = "Unknown error";
    }
    reporter()(formatErrorMessage(message));
}

}  // namespace torvane
