#include "util/secrets.h"

#include "util/error.h"
#include "util/error_handler.h"

#include <gtest/gtest.h>

#include <map>

namespace torvane {
namespace {

class MapSecrets : public SecretSource {
public:
    std::map<std::string, std::string> values;
    std::optional<std::string> secret(const std::string& name) override
    {
        const auto it = values.find(name);
        return it == values.end() ? std::nullopt : std::optional<std::string>(it->second);
    }
};

TEST(ExpandSecrets, ReplacesEachNameAndLeavesEverythingElseAsWritten)
{
    struct Case {
        const char* text;
        const char* expanded;
        std::vector<std::string> found;
    };
    const Case cases[] = {
        {"plain", "plain", {}},
        {"${PW}", "pa$$", {"pa$$"}},
        {"x${PW}y${USER}", "xpa$$yann", {"pa$$", "ann"}},
        {"${EMPTY}", "", {""}},
        // Not a name: kept as text.
        {"${", "${", {}},
        {"${}", "${}", {}},
        {"${1A}", "${1A}", {}},
        {"$PW", "$PW", {}},
        {"${PW", "${PW", {}},
        {"${P W}", "${P W}", {}},
        {"$${PW}", "$pa$$", {"pa$$"}},
    };
    MapSecrets source;
    source.values = {{"PW", "pa$$"}, {"USER", "ann"}, {"EMPTY", ""}};
    for (const Case& c : cases) {
        std::vector<std::string> found;
        EXPECT_EQ(expandSecrets(c.text, source, found), c.expanded) << c.text;
        EXPECT_EQ(found, c.found) << c.text;
    }
}

TEST(ExpandSecrets, ANameWithoutValueEndsWithTheLoginError)
{
    MapSecrets source;
    std::vector<std::string> found;
    try {
        expandSecrets("a=${MISSING_1}", source, found);
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Login Failed: MISSING_1 is not set");
    }
}

TEST(Redactor, MasksEveryOccurrenceOfEveryFormAndNothingWhenEmpty)
{
    struct Case {
        std::vector<std::string> secrets;
        const char* text;
        const char* masked;
    };
    const Case cases[] = {
        {{}, "pw=abc", "pw=abc"},
        {{""}, "pw=abc", "pw=abc"},
        {{"abc"}, "abc&x=abcabc", "********&x=****************"},
        // The encoded form is longer and holds the raw one: it is masked whole, first.
        {{"a b", "a+b"}, "a+b a b", "******** ********"},
        {{"ab", "xaby"}, "xaby ab", "******** ********"},
        {{"aa"}, "aaa", "********a"},
    };
    for (const Case& c : cases) {
        Redactor r;
        for (const std::string& s : c.secrets)
            r.add(s);
        EXPECT_EQ(r.apply(c.text), c.masked) << c.text;
    }
}

TEST(AskedSecrets, TakesTheFirstSourceThenAsksOnceAndKeepsTheAnswer)
{
    MapSecrets environment;
    environment.values = {{"FROM_ENV", "e"}};
    std::vector<std::string> asked;
    std::optional<std::string> answer = std::nullopt;
    AskedSecrets secrets([&](const std::string& name) {
        asked.push_back(name);
        return answer;
    }, environment);

    EXPECT_EQ(secrets.secret("FROM_ENV"), std::optional<std::string>("e"));
    EXPECT_EQ(secrets.secret("PW"), std::nullopt);  // cancelled: not kept
    answer = "typed";
    EXPECT_EQ(secrets.secret("PW"), std::optional<std::string>("typed"));
    answer = "other";
    EXPECT_EQ(secrets.secret("PW"), std::optional<std::string>("typed"));
    EXPECT_EQ(asked, (std::vector<std::string>{"PW", "PW"}));
}

TEST(RunSecrets, MaskTheMessageOfAnErrorShownWithThem)
{
    Redactor secrets;
    auto message = [&secrets] {
        try {
            throw Error("Bad reply: zq-Secret-7 and zq+Secret+7");
        } catch (...) {
            return currentExceptionMessage(&secrets);
        }
    };
    EXPECT_EQ(message(), "Bad reply: zq-Secret-7 and zq+Secret+7");
    secrets.add("zq-Secret-7");
    secrets.add("zq+Secret+7");
    EXPECT_EQ(message(), "Bad reply: ******** and ********");
}

}  // namespace
}  // namespace torvane
