#include "http/url.h"

#include <algorithm>
#include <vector>

#include "util/error.h"
#include "util/text.h"

namespace torvane {

namespace {

struct Parts {
    bool hasAuthority = false;
    std::string scheme, user, password, host, port;
    bool hasPort = false;
    std::string directory, document, query;
};

void splitPath(const std::string& rest, Parts& p)
{
    size_t queryStart = rest.find('?');
    if (queryStart == std::string::npos)
        queryStart = rest.find('=');
    const std::string beforeQuery = rest.substr(0, queryStart == std::string::npos ? rest.size() : queryStart);
    const size_t lastSlash = beforeQuery.rfind('/');
    const size_t docStart = lastSlash == std::string::npos ? 0 : lastSlash + 1;
    p.directory = beforeQuery.substr(0, docStart);
    p.document = beforeQuery.substr(docStart);
    p.query = queryStart == std::string::npos ? std::string() : rest.substr(queryStart);
    // A fragment never goes to the server.
    const size_t hashInDoc = p.document.find('#');
    if (hashInDoc != std::string::npos)
        p.document.erase(hashInDoc);
    else if (const size_t hashInQuery = p.query.find('#'); hashInQuery != std::string::npos)
        p.query.erase(hashInQuery);
}

Parts parse(std::string url)
{
    std::replace(url.begin(), url.end(), '\\', '/');
    Parts p;
    const size_t sep = url.find("://");
    // "//host:port/path" names its own host and keeps the current scheme.
    const bool schemeRelative = url.rfind("//", 0) == 0;
    if (sep == std::string::npos && !schemeRelative) {
        splitPath(url, p);
        return p;
    }
    p.hasAuthority = true;
    if (!schemeRelative)
        p.scheme = url.substr(0, sep);
    const size_t authStart = schemeRelative ? 2 : sep + 3;
    const size_t slash = url.find('/', authStart);
    std::string authority = url.substr(authStart, slash == std::string::npos ? std::string::npos : slash - authStart);
    // Nothing after the host asks for the root.
    const std::string rest = slash == std::string::npos ? std::string("/") : url.substr(slash);
    if (const size_t at = authority.rfind('@'); at != std::string::npos) {
        const std::string userPart = authority.substr(0, at);
        authority.erase(0, at + 1);
        const size_t colon = userPart.find(':');
        p.user = userPart.substr(0, colon);
        if (colon != std::string::npos)
            p.password = userPart.substr(colon + 1);
    }
    // An IPv6 literal keeps its brackets as the host; the port's colon comes after them.
    const size_t hostEnd = authority.starts_with("[") ? authority.find(']') : 0;
    if (const size_t colon = authority.find(':', hostEnd == std::string::npos ? 0 : hostEnd);
        colon != std::string::npos) {
        p.hasPort = true;
        p.port = authority.substr(colon + 1);
        authority.erase(colon);
    }
    p.host = authority;
    splitPath(rest, p);
    return p;
}

// Joins segments, dropping "." and letting ".." take away the segment before it; doubled "/"
// collapse. The result starts and ends with "/".
std::string normalizeDirectory(const std::string& path)
{
    std::vector<std::string> segments;
    size_t i = 0;
    while (i <= path.size()) {
        size_t j = path.find('/', i);
        if (j == std::string::npos)
            j = path.size();
        const std::string seg = path.substr(i, j - i);
        if (seg == "..") {
            if (!segments.empty())
                segments.pop_back();
        } else if (!seg.empty() && seg != ".") {
            segments.push_back(seg);
        }
        i = j + 1;
    }
    std::string out = "/";
    for (const auto& s : segments)
        out += s + "/";
    return out;
}

bool isDefaultishPort(const std::string& port)
{
    int32_t n = 0;
    if (!tryToInt32(port, n))
        return true;
    return n == 80 || n == 443 || n == 0;
}

// The port of an http or https URL that names none; empty for any other scheme.
std::string defaultPortOf(const std::string& scheme)
{
    if (equalsIgnoreCaseAscii(scheme, "http"))
        return "80";
    if (equalsIgnoreCaseAscii(scheme, "https"))
        return "443";
    return {};
}

}  // namespace

bool isDefaultPort(const Location& place)
{
    return place.port == defaultPortOf(place.scheme);
}

bool movesToTls(const Location& from, const Location& to)
{
    return equalsIgnoreCaseAscii(from.scheme, "http") && equalsIgnoreCaseAscii(to.scheme, "https") &&
           isDefaultPort(from) && isDefaultPort(to) && equalsIgnoreCaseAscii(from.host, to.host) &&
           from.requestTarget() == to.requestTarget();
}

std::string originOf(const Location& place)
{
    return place.scheme + "://" + place.host + (isDefaultPort(place) ? "" : ":" + place.port);
}

std::string placeName(const Location& place)
{
    return upperAscii(place.host) + place.directory + place.document;
}

std::string urlOf(const Location& place)
{
    return originOf(place) + place.requestTarget();
}

bool isHttpsUrl(const std::string& url)
{
    return upperAscii(url.substr(0, 6)) == "HTTPS:";
}

FormPage formPageOf(const std::string& pageUrl)
{
    if (pageUrl.empty())
        return {};
    try {
        const Location page = resolveUrl(pageUrl, Location{});
        return {originOf(page), urlOf(page)};
    } catch (const Error&) {
        return {};
    }
}

Location resolveUrl(const std::string& url, const Location& current)
{
    const Parts p = parse(url);
    // A reference without a host is a place on the current server: its scheme, host and port stay.
    const bool onCurrentServer = p.host.empty() && p.scheme.empty() && !current.scheme.empty();
    Location next;
    if (!p.scheme.empty())
        next.scheme = p.scheme;
    else
        next.scheme = current.scheme.empty() ? std::string("http") : current.scheme;
    next.host = p.host.empty() ? current.host : p.host;
    if (!p.directory.empty() && p.directory[0] == '/')
        next.directory = normalizeDirectory(p.directory);
    else
        next.directory = normalizeDirectory(current.directory + p.directory);
    next.document = p.document;
    next.query = p.query;
    if (p.hasPort) {
        int32_t n = 0;
        if (!tryToInt32(p.port, n))
            throw Error(notValidIntegerMessage(p.port));
        next.port = p.port;
    } else if (int32_t n = 0; onCurrentServer && tryToInt32(current.port, n) && n > 0) {
        next.port = current.port;
    } else if (!defaultPortOf(next.scheme).empty()) {
        next.port = defaultPortOf(next.scheme);
    } else if (isDefaultishPort(current.port)) {
        throw Error("");
    } else {
        next.port = current.port;
    }
    next.user = p.user.empty() ? current.user : p.user;
    next.password = p.password.empty() ? current.password : p.password;
    return next;
}

}  // namespace torvane
