#include "http/cookie_store.h"

#include <gtest/gtest.h>
#include <ostream>

namespace torvane {
namespace {

using Headers = std::vector<CookieStore::Header>;

struct Fixture {
    std::time_t now = 1700000000;
    CookieStore store{[this] { return now; }};
    void set(const std::string& value, const std::string& host) { store.takeCookies({{"Set-Cookie", value}}, host); }
    std::string header(const std::string& host, const std::string& dir = "/", bool https = false)
    {
        return store.cookieHeader(host, dir, https);
    }
};

TEST(CookieStore, OrdersByPathLongestFirst)
{
    Fixture f;
    f.store.takeCookies({{"Set-cookie", "sid=77; path=/"}, {"set-cookie", "step=2; path=/cgi-bin/"}}, "example.org");
    EXPECT_EQ(f.header("example.org", "/cgi-bin/"), "step=2; sid=77");
    EXPECT_EQ(f.header("example.org", "/"), "sid=77");
}

struct AcceptCase {
    const char* name;
    std::string setter;      // the host that answers
    std::string cookie;      // Set-Cookie value
    std::string requestHost; // the host of a later request
    std::string expected;    // Cookie header sent to it
};

void PrintTo(const AcceptCase& c, std::ostream* os)
{
    *os << c.name;
}

class CookieAcceptTest : public ::testing::TestWithParam<AcceptCase> {};

TEST_P(CookieAcceptTest, SendsOnlyWhereItBelongs)
{
    Fixture f;
    f.set(GetParam().cookie, GetParam().setter);
    EXPECT_EQ(f.header(GetParam().requestHost), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieAcceptTest,
    ::testing::Values(
        AcceptCase{"BackToSameHost", "a.b.c", "sid=77; path=/", "a.b.c", "sid=77"},
        AcceptCase{"NoPathGoesEverywhere", "a.b.c", "sid=77", "a.b.c", "sid=77"},
        AcceptCase{"HostCaseIgnoredWhenSending", "a.b.c", "sid=77", "A.B.C", "sid=77"},
        AcceptCase{"DomainWithoutDotDropped", "a.b.c", "x=1; domain=b.c", "a.b.c", ""},
        AcceptCase{"ParentWithDotStored", "a.b.c", "x=1; domain=.b.c", "a.b.c", "x=1"},
        AcceptCase{"ParentWithDotGoesToSibling", "a.b.c", "x=1; domain=.b.c", "z.b.c", "x=1"},
        AcceptCase{"GrandparentDropped", "a.b.c", "x=1; domain=.c", "a.b.c", ""},
        AcceptCase{"DeeperHostKeepsOwnParent", "x.a.b.c", "x=1; domain=.a.b.c", "x.a.b.c", "x=1"},
        AcceptCase{"DeeperHostDropsGrandparent", "x.a.b.c", "x=1; domain=.b.c", "x.a.b.c", ""},
        AcceptCase{"AcceptanceRespectsCase", "a.b.c", "x=1; domain=.B.C", "a.b.c", ""},
        AcceptCase{"NotToHostMerelyContainingDomain", "a.b.c", "sid=77", "a.b.c.d.e", ""},
        AcceptCase{"NotToLookalikeHost", "a.b.c", "x=1; domain=.b.c", "evilb.c", ""},
        AcceptCase{"AddressHostExact", "10.0.0.1", "x=1", "10.0.0.1", "x=1"},
        AcceptCase{"AddressHostOtherDomainDropped", "10.0.0.1", "x=1; domain=.0.0.1", "10.0.0.1", ""},
        AcceptCase{"IPv6LiteralExact", "[fd00::10]", "x=1", "[fd00::10]", "x=1"},
        AcceptCase{"IPv6LiteralIsNoDomain", "[::ffff:10.0.0.1]", "x=1; domain=.0.0.1]", "[::ffff:10.0.0.1]", ""},
        AcceptCase{"EmptyValueNeverSent", "a.b.c", "sid=", "a.b.c", ""},
        AcceptCase{"NoEqualsGivesEmptyCookie", "a.b.c", "garbage", "a.b.c", ""},
        AcceptCase{"QuotedPath", "a.b.c", "x=1; path=\"/\"", "a.b.c", "x=1"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CookieStore, SameNameReplacesValueAndPath)
{
    Fixture f;
    f.set("sid=1; path=/a/", "h");
    f.set("SID=2; path=/b/", "h");
    EXPECT_EQ(f.header("h", "/a/"), "");
    EXPECT_EQ(f.header("h", "/b/"), "SID=2");
    ASSERT_EQ(f.store.domains().size(), 1u);
    EXPECT_EQ(f.store.domains()[0].cookies.size(), 1u);
}

TEST(CookieStore, PathMustPrefixTheDirectory)
{
    Fixture f;
    f.set("x=1; path=/cgi-bin/", "h");
    EXPECT_EQ(f.header("h", "/cgi-bin/sub/"), "x=1");
    EXPECT_EQ(f.header("h", "/other/"), "");
}

struct ExpiryCase {
    const char* name;
    std::string cookie;
    std::time_t later;  // seconds after receipt of the next request
    bool sent;
};

void PrintTo(const ExpiryCase& c, std::ostream* os)
{
    *os << c.name;
}

class CookieExpiryTest : public ::testing::TestWithParam<ExpiryCase> {};

TEST_P(CookieExpiryTest, Expires)
{
    Fixture f;
    f.set(GetParam().cookie, "h");
    f.now += GetParam().later;
    EXPECT_EQ(f.header("h"), GetParam().sent ? "x=1" : "");
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CookieExpiryTest,
    ::testing::Values(ExpiryCase{"MaxAgeZeroGoneAtOnce", "x=1; max-age=0", 0, false},
                      ExpiryCase{"NegativeMaxAgeLastsForTheRun", "x=1; max-age=-5", 100000000, true},
                      ExpiryCase{"MaxAgeStillValid", "x=1; max-age=60", 59, true},
                      ExpiryCase{"MaxAgeRunsOut", "x=1; max-age=60", 60, false},
                      ExpiryCase{"HugeMaxAgeDoesNotOverflow", "x=1; max-age=9223372036854775807", 1000, true},
                      // 2^64 is no number (not a max-age of 0 after wrapping round): the cookie lasts.
                      ExpiryCase{"MaxAgeBeyond64BitsLastsForTheRun", "x=1; max-age=18446744073709551616", 100000000,
                                 true},
                      ExpiryCase{"PastExpires", "x=1; expires=Thu, 01 Jan 1970 00:00:00 GMT", 0, false},
                      ExpiryCase{"FutureExpires", "x=1; expires=Fri, 31 Dec 2100 23:59:59 GMT", 0, true},
                      ExpiryCase{"ExpiresWinsOverMaxAge", "x=1; expires=Fri, 31 Dec 2100 23:59:59 GMT; max-age=0", 10, true},
                      ExpiryCase{"OldStyleDate", "x=1; expires=Friday, 31-Dec-99 23:59:59 GMT", 0, false},
                      ExpiryCase{"UnreadableDateCountsAsPast", "x=1; expires=soon", 0, false}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(CookieStore, SecureCookieOnlyOnEncryptedRequests)
{
    Fixture f;
    f.set("s=1; Secure", "h");
    f.set("p=2", "h");
    EXPECT_EQ(f.header("h", "/", false), "p=2");
    EXPECT_EQ(f.header("h", "/", true), "s=1; p=2");
}

TEST(CookieStore, SetCookie2TakenAfterSetCookie)
{
    Fixture f;
    f.store.takeCookies({{"Set-Cookie2", "a=new; Port=80; Discard"}, {"Set-Cookie", "a=old"}}, "h");
    EXPECT_EQ(f.header("h"), "a=new");
    EXPECT_TRUE(f.store.domains()[0].cookies[0].fromSetCookie2);
}

TEST(InternetDate, ReadsTheUsualForms)
{
    const std::pair<std::string, std::time_t> cases[] = {
        {"Sun, 06 Nov 1994 08:49:37 GMT", 784111777},
        {"Sunday, 06-Nov-94 08:49:37 GMT", 784111777},
        {"Sun Nov  6 08:49:37 1994", 784111777},
    };
    for (const auto& [text, when] : cases) {
        std::time_t t = 0;
        ASSERT_TRUE(parseInternetDate(text, t)) << text;
        EXPECT_EQ(t, when) << text;
    }
    std::time_t t = 0;
    EXPECT_TRUE(parseInternetDate(formatInternetDate(784111777), t));
    EXPECT_EQ(t, 784111777);
    EXPECT_FALSE(parseInternetDate("", t));
    EXPECT_FALSE(parseInternetDate("32 Nov 1994 08:49:37", t));
}

}  // namespace
}  // namespace torvane
