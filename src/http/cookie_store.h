// The cookies servers set during the application run, kept in memory and sent back with the
// requests they belong to. The connections of a run share one store (as a browser's windows do), so
// what they ask of it and give it is taken one at a time.
#pragma once

#include <cstdint>
#include <ctime>
#include <functional>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

namespace torvane {

struct Cookie {
    std::string name;
    std::string value;
    std::string domain;
    std::string path;
    std::string expires;  // as received, or computed from max-age; empty: lasts for the run
    int64_t maxAge = -1;
    bool secure = false;
    std::string version;
    std::string comment;
    bool fromSetCookie2 = false;
};

// Reads an Internet date (RFC 1123, RFC 850 or asctime form, also with "-" between the parts).
bool parseInternetDate(const std::string& text, std::time_t& out);
std::string formatInternetDate(std::time_t when);

class CookieStore {
public:
    using Now = std::function<std::time_t()>;
    explicit CookieStore(Now now = {});

    using Header = std::pair<std::string, std::string>;  // name, value
    // Takes the cookies of one response head.
    void takeCookies(const std::vector<Header>& headers, const std::string& requestHost);
    // The value of the "Cookie" line, empty for none. secureRequest: the request goes out encrypted.
    std::string cookieHeader(const std::string& requestHost, const std::string& requestDirectory,
                             bool secureRequest);
    void removeExpired();

    struct Domain {
        std::string name;
        std::vector<Cookie> cookies;
    };
    // Read while no request is under way.
    const std::vector<Domain>& domains() const { return m_domains; }

private:
    void dropExpired();
    void takeOne(const std::string& headerValue, bool setCookie2, const std::string& requestHost);
    // Adds the cookie to its domain, or replaces the one of the same name there.
    void keep(Cookie c);

    Now m_now;
    std::vector<Domain> m_domains;
    std::mutex m_lock;
};

}  // namespace torvane
