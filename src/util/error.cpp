#include "util/error.h"

namespace torvane {

std::string formatErrorMessage(const std::string& message)
{
    if (!message.empty() && static_cast<unsigned char>(message.back()) > '.')
        return message + ".";
    return message;
}

std::string notValidIntegerMessage(const std::string& text)
{
    return "'" + text + "' is not a valid integer value";
}

}  // namespace torvane
