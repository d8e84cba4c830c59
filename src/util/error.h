// Errors are exceptions carrying the message the operator sees; the general error handler of the
// application shows them. Subsystems derive their own kinds where callers need to tell them apart.
#pragma once

#include <stdexcept>
#include <string>

namespace torvane {

class Error : public std::runtime_error {
public:
    explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// The general error handler's wording: a message whose last character sorts above "." gets a full
// stop, so a server status line "HTTP/1.1 404 Not Found" reads "HTTP/1.1 404 Not Found.".
std::string formatErrorMessage(const std::string& message);

// "'%s' is not a valid integer value": the conversion error of integer text.
std::string notValidIntegerMessage(const std::string& text);

}  // namespace torvane
