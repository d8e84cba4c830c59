#include "posting/session_login.h"

#include "http/posting_client.h"
#include "util/error.h"

#include <gtest/gtest.h>

#include <deque>
#include <map>

namespace torvane {
namespace {

// Answers each request with the next scripted reply; a reply with a status code of 400 or more fails
// as the client does for an error status.
class ScriptedClient : public PostingClient {
public:
    struct Answer {
        std::string body;
        std::string statusLine = "HTTP/1.1 200 OK";
        int code = 200;
        std::string place;
        std::string url;  // where the request ended up

        Answer(std::string body = {}, std::string statusLine = "HTTP/1.1 200 OK", int code = 200,
               std::string place = {}, std::string url = {})
            : body(std::move(body)), statusLine(std::move(statusLine)), code(code), place(std::move(place)),
              url(std::move(url))
        {
        }
    };
    std::deque<Answer> answers;
    std::vector<std::string> calls;

    PostingReply send(const PostingRequest& request) override
    {
        std::string call = request.method == HttpMethod::Post ? "POST " : request.method == HttpMethod::Put ? "PUT " : "GET ";
        call += request.url + (request.fromPage.empty() ? "" : " from " + request.fromPage);
        for (const std::string& e : request.entries)
            call += " [" + e + "]";
        calls.push_back(call);
        Answer a = answers.empty() ? Answer{} : answers.front();
        if (!answers.empty())
            answers.pop_front();
        PostingReply reply;
        reply.statusLine = a.statusLine;
        reply.code = a.code;
        reply.body = a.body;
        reply.place = a.place;
        reply.url = a.url;
        if (a.code >= 400)
            throw RequestFailed(a.statusLine, RequestFate::Answered, reply);
        return reply;
    }
    void setTrafficLog(bool) override {}
};

// A reply to a record's request that ended at place, its answer pointed to answerPlace.
PostingReply replyAt(const std::string& place, const std::string& body, const std::string& answerPlace = {})
{
    PostingReply reply;
    reply.place = place;
    reply.body = body;
    reply.answerPlace = answerPlace;
    return reply;
}

class Secrets : public SecretSource {
public:
    std::optional<std::string> secret(const std::string& name) override
    {
        if (name == "PW")
            return std::string("p w");
        return std::nullopt;
    }
};

class SessionLoginTest : public ::testing::Test {
protected:
    ScriptedClient client;
    Redactor redactor;
    Secrets secrets;
    SessionLogin session{client, redactor};

    SessionSettings settings(const std::string& checkText = "welcome")
    {
        SessionSettings s;
        s.loginUrl = "http://site/login";
        s.loginData = "user=ann\r\n\r\npassword=${PW}\n";
        s.checkText = checkText;
        s.formUrl = "http://site/form";
        s.refreshHidden = true;
        return s;
    }
    std::string loginError()
    {
        try {
            session.logIn();
        } catch (const Error& e) {
            return e.what();
        }
        return "no error";
    }
};

TEST_F(SessionLoginTest, PostsTheLoginDataWithItsSecretsAndMasksThemInBothForms)
{
    session.prepare(settings(), secrets);
    client.answers = {{"<p>Please log in</p>"}, {"<p>Welcome, ann</p>"}};
    EXPECT_EQ(session.logIn(), "");
    EXPECT_EQ(client.calls, (std::vector<std::string>{
                                "GET http://site/login",
                                "POST http://site/login from http://site/login [user=ann] [password=p w]"}));
    EXPECT_EQ(redactor.apply("password=p w&password=p+w&"), "password=********&password=********&");
}

TEST_F(SessionLoginTest, ASecretThatIsNotSetEndsBeforeAnyRequest)
{
    SessionSettings s = settings();
    s.loginData = "user=${WHO}";
    EXPECT_THROW(
        {
            try {
                session.prepare(s, secrets);
            } catch (const Error& e) {
                EXPECT_STREQ(e.what(), "Login Failed: WHO is not set");
                throw;
            }
        },
        Error);
    EXPECT_TRUE(client.calls.empty());
}

TEST_F(SessionLoginTest, ALoginTheServerDoesNotConfirmSaysWhatWasMissing)
{
    struct Case {
        const char* checkText;
        ScriptedClient::Answer answer;
        const char* error;
    };
    const Case cases[] = {
        {"welcome", {"<p>WELCOME back</p>"}, "no error"},
        {"", {"<p>Login incorrect</p>"}, "no error"},
        {"welcome", {"<p>Login incorrect</p>"},
         "Login Failed: the reply to the login does not contain \"welcome\" (LoginCheckText): check LoginData and "
         "LoginURL"},
        {"welcome", {"", "HTTP/1.1 401 Unauthorized", 401}, "Login Failed: HTTP/1.1 401 Unauthorized"},
        {"", {"", "HTTP/1.0 500 Server Error", 500}, "Login Failed: HTTP/1.0 500 Server Error"},
    };
    for (const Case& c : cases) {
        session.prepare(settings(c.checkText), secrets);
        client.answers = {{"<p>Please log in</p>"}, c.answer};
        EXPECT_EQ(loginError(), c.error) << c.answer.body;
    }
}

TEST_F(SessionLoginTest, ThreeNewLoginsPerRunAndNoMore)
{
    session.prepare(settings(""), secrets);
    for (int i = 1; i <= kMaxRelogins; ++i) {
        session.logInAgain();
        EXPECT_EQ(session.relogins(), i);
    }
    try {
        session.logInAgain();
        FAIL() << "no error";
    } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Login Failed: Session Keeps Expiring");
    }
    EXPECT_EQ(client.calls.size(), size_t(2 * kMaxRelogins));  // the login page and the login, each time
    session.prepare(settings(""), secrets);  // a new run counts again
    EXPECT_EQ(session.relogins(), 0);
}

TEST_F(SessionLoginTest, HiddenFieldsTakeTheValuesOfTheLivePage)
{
    session.prepare(settings(), secrets);
    client.answers = {{"<INPUT TYPE=hidden NAME=csrf VALUE=\"n%C3%A9w\"><INPUT NAME=acct VALUE=9>"
                       "<INPUT TYPE=hidden NAME=step VALUE=2>"}};
    session.fetchFormPage();
    EXPECT_EQ(client.calls.back(), "GET http://site/form");
    struct Case {
        std::vector<std::string> dataList;
        std::vector<std::string> hidden;
        std::vector<std::string> refreshed;
    };
    const Case cases[] = {
        // Only hidden definitions change, and only those the page has; the value goes as the page has it.
        {{"csrf=old", "acct=1001", "note=x"}, {"csrf", "note"}, {"csrf=n%C3%A9w", "acct=1001", "note=x"}},
        {{"acct=1001"}, {"csrf"}, {"acct=1001"}},
        {{"csrf=old", "step=1"}, {}, {"csrf=old", "step=1"}},
        {{"CSRF=old"}, {"CSRF"}, {"CSRF=old"}},
        {{"csrf"}, {"csrf"}, {"csrf=n%C3%A9w"}},
    };
    for (const Case& c : cases) {
        std::vector<std::string> list = c.dataList;
        session.refreshHidden(list, c.hidden);
        EXPECT_EQ(list, c.refreshed) << ::testing::PrintToString(c.dataList);
    }
}

// The login page's form decides what the login sends and where, as a browser's would.
TEST_F(SessionLoginTest, LogsInThroughTheLoginPagesForm)
{
    const std::string search = "<form action=\"/search\"><input type=hidden name=q value=all></form>";
    struct Case {
        const char* name;
        ScriptedClient::Answer page;
        std::string post;
        std::string note = "";
    };
    const Case cases[] = {
        {"the form holding the first login field, with its hidden inputs",
         {search + "<form method=post action=\"/accounts/login/?next=/orders/\">"
                   "<input type=hidden name=csrf value=T1><input name=user><input type=password name=password></form>"},
         "POST http://site/accounts/login/?next=/orders/ from http://site/login [csrf=T1] [user=ann] [password=p w]"},
        {"else the only form with a password",
         {search + "<form action=auth><INPUT TYPE=HIDDEN NAME=t VALUE=2><input name=username>"
                   "<input type=PASSWORD name=pw></form>",
          "HTTP/1.1 200 OK", 200, "", "https://site:8443/accounts/login/"},
         "POST https://site:8443/accounts/login/auth from https://site:8443/accounts/login/ [t=2] [user=ann] [password=p w]"},
        {"else the first form; a name of the login data wins over a hidden input",
         {"<form action=\"\"><input type=hidden name=user value=guest><input type=hidden name=k value=v></form>"},
         "POST http://site/login from http://site/login [k=v] [user=ann] [password=p w]"},
        {"no form at all", {"<p>Log in below</p>"}, "POST http://site/login from http://site/login [user=ann] [password=p w]"},
        {"a login page that cannot be read",
         {"", "HTTP/1.1 405 Method Not Allowed", 405},
         "POST http://site/login from http://site/login [user=ann] [password=p w]",
         "The login page could not be read (HTTP/1.1 405 Method Not Allowed): the login data goes to LoginURL "
         "without the page's hidden inputs"},
    };
    for (const Case& c : cases) {
        session.prepare(settings(""), secrets);
        client.calls.clear();
        client.answers = {c.page, {"<p>Welcome</p>"}};
        EXPECT_EQ(session.logIn(), c.note) << c.name;
        EXPECT_EQ(client.calls, (std::vector<std::string>{"GET http://site/login", c.post})) << c.name;
    }
}

TEST_F(SessionLoginTest, AReplyFromTheLoginPageShowsTheSessionExpired)
{
    struct Case {
        const char* name;
        std::string place;
        std::string reply;
        std::string recordUrl;
        bool expired;
        std::string answer;  // where a taken record's answer was pointed
    };
    const Case cases[] = {
        {"redirected to the login page", "SITE/login", "", "http://site/orders", true, ""},
        {"host letter case aside", "SITE/login", "", "http://Site/orders", true, ""},
        {"the query does not matter", "SITE/login", "", "http://site/orders?x=1", true, ""},
        {"a form posting to the login page itself", "SITE/login", "", "http://site/login", false, ""},
        {"another page of the same host", "SITE/orders", "<p>Thank You</p>", "http://site/orders", false, ""},
        {"the login form came back", "SITE/orders", "<form><input type=text name=user></form>",
         "http://site/orders", true, ""},
        {"another form with other names", "SITE/orders", "<input name=username><input name=User>",
         "http://site/orders", false, ""},
        {"taken, its answer then sent to the login page", "SITE/login", "<input name=user>",
         "http://site/orders", false, "SITE/thanks"},
        {"taken and answered with the login page", "SITE/login", "", "http://site/orders", true, "SITE/login"},
    };
    session.prepare(settings(), secrets);
    for (const Case& c : cases)
        EXPECT_EQ(session.expired(replyAt(c.place, c.reply, c.answer), c.recordUrl), c.expired) << c.name;
    SessionSettings noLogin = settings();
    noLogin.loginUrl.clear();
    session.prepare(noLogin, secrets);
    EXPECT_FALSE(session.expired(replyAt("SITE/login", "<input name=user>"), "http://site/orders"));
}

}  // namespace
}  // namespace torvane
