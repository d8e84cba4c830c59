// Where a request goes: a URL resolved against the place of the previous request, as the client
// keeps it between operations.
#pragma once

#include <string>

namespace torvane {

struct Location {
    std::string scheme;
    std::string host;
    std::string port = "80";
    // From the first "/" through the last "/" before the query.
    std::string directory = "/";
    std::string document;
    std::string query;
    std::string user;
    std::string password;

    std::string requestTarget() const { return directory + document + query; }
};

// Resolves url against current and returns the new place. Throws Error with an empty message for
// a scheme with no port to use, and the integer conversion text for a port that is not a number.
Location resolveUrl(const std::string& url, const Location& current);

}  // namespace torvane
