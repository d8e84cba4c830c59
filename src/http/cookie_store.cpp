#include "http/cookie_store.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "http/socket_stream.h"
#include "util/text.h"

namespace torvane {

namespace {

const char* const kMonths[] = {"JAN", "FEB", "MAR", "APR", "MAY", "JUN",
                               "JUL", "AUG", "SEP", "OCT", "NOV", "DEC"};
const char* const kDays[] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

bool allDigits(const std::string& s)
{
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

bool parseInternetDate(const std::string& text, std::time_t& out)
{
    std::vector<std::string> tokens;
    std::string cur;
    for (const char c : text) {
        if (c == ' ' || c == ',' || c == '-' || c == '\t') {
            if (!cur.empty())
                tokens.push_back(cur);
            cur.clear();
        } else {
            cur.push_back(c);
        }
    }
    if (!cur.empty())
        tokens.push_back(cur);

    int day = -1, month = -1, year = -1, hour = -1, minute = -1, second = -1;
    for (const auto& t : tokens) {
        if (t.find(':') != std::string::npos) {
            int h, m, s;
            char extra;
            if (std::sscanf(t.c_str(), "%2d:%2d:%2d%c", &h, &m, &s, &extra) != 3)
                return false;
            hour = h, minute = m, second = s;
        } else if (allDigits(t)) {
            if (t.size() > 4)
                return false;
            int32_t v = 0;
            if (!tryToInt32(t, v))
                return false;
            if (day < 0 && t.size() <= 2 && month < 0)
                day = v;
            else if (day < 0 && t.size() <= 2)
                day = v;  // asctime: month before day
            else if (year < 0)
                year = t.size() <= 2 ? (v < 70 ? 2000 + v : 1900 + v) : v;
            else
                return false;
        } else if (t.size() >= 3) {
            const std::string upper = upperAscii(t.substr(0, 3));
            for (int i = 0; i < 12; ++i)
                if (upper == kMonths[i] && (t.size() == 3 || month < 0) && month < 0 && t.size() <= 9)
                    month = i;
        }
    }
    if (day < 1 || day > 31 || month < 0 || year < 1601 || year > 9999 || hour < 0 || hour > 23 ||
        minute > 59 || second > 60)
        return false;
    std::tm tm{};
    tm.tm_year = year - 1900;
    tm.tm_mon = month;
    tm.tm_mday = day;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_sec = second;
    out = timegm(&tm);
    return true;
}

std::string formatInternetDate(std::time_t when)
{
    std::tm tm{};
    gmtime_r(&when, &tm);
    static const char* const months[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                         "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    char buf[64];
    std::snprintf(buf, sizeof buf, "%s, %02d %s %04d %02d:%02d:%02d GMT", kDays[tm.tm_wday], tm.tm_mday,
                  months[tm.tm_mon], tm.tm_year + 1900, tm.tm_hour, tm.tm_min, tm.tm_sec);
    return buf;
}

CookieStore::CookieStore(Now now) : m_now(now ? std::move(now) : [] { return std::time(nullptr); }) {}

void CookieStore::takeCookies(const std::vector<Header>& headers, const std::string& requestHost)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    for (const auto& [name, value] : headers)
        if (equalsIgnoreCaseAscii(name, "Set-cookie"))
            takeOne(value, false, requestHost);
    for (const auto& [name, value] : headers)
        if (equalsIgnoreCaseAscii(name, "Set-cookie2"))
            takeOne(value, true, requestHost);
}

namespace {

// The header's items between semicolons, blanks trimmed; the first is the cookie's name=value.
std::vector<std::string> cookieItems(const std::string& headerValue)
{
    std::vector<std::string> items;
    size_t start = 0;
    for (;;) {
        const size_t semi = headerValue.find(';', start);
        items.push_back(trimmedBlanks(std::string_view(headerValue).substr(
            start, semi == std::string::npos ? std::string::npos : semi - start)));
        if (semi == std::string::npos)
            return items;
        start = semi + 1;
    }
}

// One attribute item of the header; hasDomain tells whether a Domain was among them.
void takeAttribute(Cookie& c, const std::string& item, bool& hasDomain)
{
    const size_t eq = item.find('=');
    if (eq == std::string::npos) {
        if (equalsIgnoreCaseAscii(item, "SECURE"))
            c.secure = true;
        return;
    }
    const std::string attr = item.substr(0, eq);
    std::string val = item.substr(eq + 1);
    if (equalsIgnoreCaseAscii(attr, "PATH")) {
        if (!val.empty() && val.front() == '"')
            val.erase(0, 1);
        if (!val.empty() && val.back() == '"')
            val.pop_back();
        c.path = val;
    } else if (equalsIgnoreCaseAscii(attr, "EXPIRES")) {
        c.expires = val;
    } else if (equalsIgnoreCaseAscii(attr, "DOMAIN")) {
        c.domain = val;
        hasDomain = true;
    } else if (equalsIgnoreCaseAscii(attr, "MAX-AGE")) {
        if (!tryToInt64(val, c.maxAge))
            c.maxAge = -1;
    } else if (equalsIgnoreCaseAscii(attr, "VERSION")) {
        c.version = val;
    } else if (equalsIgnoreCaseAscii(attr, "COMMENT")) {
        c.comment = val;
    }
}

// The host may set cookies for itself, or for the domain it sits in directly.
bool hostMaySet(const std::string& host, const std::string& domain)
{
    // An address is no domain: only the address itself matches, an IPv6 literal as an IPv4 one.
    if (isIPv4AddressText(host) || host.starts_with("["))
        return domain == host;
    if ((domain.empty() || domain[0] != '.') && !isIPv4AddressText(domain))
        return domain == host;
    const size_t dot = host.find('.');
    return dot != std::string::npos && domain == host.substr(dot);
}

}  // namespace

void CookieStore::takeOne(const std::string& headerValue, bool setCookie2, const std::string& host)
{
    const std::vector<std::string> items = cookieItems(headerValue);
    Cookie c;
    c.fromSetCookie2 = setCookie2;
    if (const size_t eq = items[0].find('='); eq != std::string::npos) {
        c.name = items[0].substr(0, eq);
        c.value = items[0].substr(eq + 1);
    }
    bool hasDomain = false;
    for (size_t i = 1; i < items.size(); ++i)
        takeAttribute(c, items[i], hasDomain);
    if (c.expires.empty() && c.maxAge >= 0) {
        // Clamp so a hostile max-age cannot overflow the moment it stands for.
        const int64_t age = std::min<int64_t>(c.maxAge, int64_t(400) * 366 * 24 * 3600);
        c.expires = formatInternetDate(m_now() + std::time_t(age));
    }
    if (!hasDomain)
        c.domain = host;
    if (hostMaySet(host, c.domain))
        keep(std::move(c));
}

void CookieStore::keep(Cookie c)
{
    auto domainIt = std::find_if(m_domains.begin(), m_domains.end(),
                                 [&](const Domain& d) { return equalsIgnoreCaseAscii(d.name, c.domain); });
    if (domainIt == m_domains.end()) {
        m_domains.push_back({c.domain, {}});
        domainIt = m_domains.end() - 1;
    }
    auto cookieIt = std::find_if(domainIt->cookies.begin(), domainIt->cookies.end(),
                                 [&](const Cookie& old) { return equalsIgnoreCaseAscii(old.name, c.name); });
    if (cookieIt == domainIt->cookies.end())
        domainIt->cookies.push_back(std::move(c));
    else
        *cookieIt = std::move(c);
}

void CookieStore::removeExpired()
{
    const std::lock_guard<std::mutex> hold(m_lock);
    dropExpired();
}

void CookieStore::dropExpired()
{
    const std::time_t now = m_now();
    for (auto& d : m_domains) {
        std::erase_if(d.cookies, [&](const Cookie& c) {
            if (c.expires.empty())
                return false;
            std::time_t when = 0;
            // An unreadable date counts as long past; max-age=0 ends the cookie at once.
            return !parseInternetDate(c.expires, when) || when <= now;
        });
    }
}

std::string CookieStore::cookieHeader(const std::string& host, const std::string& directory, bool secureRequest)
{
    const std::lock_guard<std::mutex> hold(m_lock);
    dropExpired();
    std::vector<const Cookie*> candidates;
    for (const auto& d : m_domains) {
        const bool belongs = equalsIgnoreCaseAscii(d.name, host) ||
                             (!d.name.empty() && d.name[0] == '.' && endsWithIgnoreCaseAscii(host, d.name));
        if (!belongs)
            continue;
        for (const auto& c : d.cookies) {
            if (c.value.empty() || (c.secure && !secureRequest))
                continue;
            if (directory.compare(0, c.path.size(), c.path) != 0)
                continue;
            candidates.push_back(&c);
        }
    }
    std::stable_sort(candidates.begin(), candidates.end(), [](const Cookie* a, const Cookie* b) {
        return upperAscii(a->path) > upperAscii(b->path);
    });
    std::string header;
    for (const Cookie* c : candidates) {
        if (!header.empty())
            header += "; ";
        header += c->name + "=" + c->value;
    }
    return header;
}

}  // namespace torvane
