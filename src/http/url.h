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
// A URL without a scheme keeps the current scheme; one without a host also keeps the current host and
// port; an http or https URL naming a host but no port goes to its scheme's port.
Location resolveUrl(const std::string& url, const Location& current);

// Whether the place's port is its scheme's own (80 for http, 443 for https).
bool isDefaultPort(const Location& place);
// Whether to is from with https in place of http, both on their scheme's own port: a server moving
// to TLS before it looks at a request.
bool movesToTls(const Location& from, const Location& to);
// "scheme://host", with ":port" when the port is not the scheme's own: what an Origin header names.
std::string originOf(const Location& place);
// The place as a URL a browser would show, without user, password or fragment.
std::string urlOf(const Location& place);
// The host (upper case) and the path without the query: how a reply names where a request ended, and
// what a login URL is compared with.
std::string placeName(const Location& place);
// Whether the URL begins with "https:", in any letter case: a request to it wants the TLS transport.
bool isHttpsUrl(const std::string& url);

// The page a form came from, as the Origin and Referer of the requests that send the form.
struct FormPage {
    std::string origin;
    std::string referer;
};
// The page of that URL; none (both empty) for an empty URL or one that names no place.
FormPage formPageOf(const std::string& pageUrl);

}  // namespace torvane
