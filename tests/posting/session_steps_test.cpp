// The session steps of a run over a client that answers with scripted replies: the login through the
// login page's form, the form page's fresh hidden values, a reply that shows the session expired, and a
// taken record whose answer the session lost.
#include "posting/run_settings_summary.h"
#include "support/engine_bench.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane {
namespace {

using Lines = std::vector<std::string>;

PostingReply answer(const std::string& body, const std::string& place = "127.0.0.1/form",
                    const std::string& answerPlace = {})
{
    PostingReply reply;
    reply.statusLine = "HTTP/1.1 200 OK";
    reply.code = 200;
    reply.body = body;
    reply.place = place;
    reply.answerPlace = answerPlace;
    return reply;
}

const PostingReply kLoginPage = answer("<form method=post action=/auth><input type=hidden name=tok value=L1>"
                                       "<input name=user></form>",
                                       "127.0.0.1/login");
const PostingReply kWelcome = answer("Welcome", "127.0.0.1/auth");

class SessionStepsTest : public ::testing::Test, protected test::EngineBench {
protected:
    void SetUp() override
    {
        oneTrackedFieldForm();
        set("LoginURL", "http://127.0.0.1:9/login");
        set("LoginData", "user=ann");
    }
    // Each request as "METHOD URL [from PAGE] [entry]...".
    Lines sent() const
    {
        Lines out;
        for (const auto& r : client.requests) {
            std::string line = r.method + " " + r.url + (r.fromPage.empty() ? "" : " from " + r.fromPage);
            for (const std::string& e : r.entries)
                line += " [" + e + "]";
            out.push_back(line);
        }
        return out;
    }
    Lines deliveries()
    {
        Lines out;
        for (const DeliveryRecord& d : DeliveryLedger(data.database()).deliveriesOf(engine.runNumber()))
            out.push_back(d.key + " " + d.state + (d.message.empty() ? "" : ": " + d.message));
        return out;
    }
};

TEST_F(SessionStepsTest, LogsInThroughTheLoginFormAndSendsEachRecordWithTheFormPagesHiddenValue)
{
    data.FieldsTable.append();
    data.FieldsTable.setText("OrderNum", "20");
    data.FieldsTable.setText("Name", "csrf");
    data.FieldsTable.setText("Type", "hidden");
    data.FieldsTable.setText("DefaultValue", "saved");
    data.FieldsTable.post();
    set("FormURL", "http://127.0.0.1:9/new");
    set("RefreshHidden", "True");
    client.answers = {kLoginPage, kWelcome,
                      answer("<input type=hidden name=csrf value=T1>", "127.0.0.1/new"), answer("ok"),
                      answer("<input type=hidden name=csrf value=T2>", "127.0.0.1/new"), answer("ok")};
    engine.runPosting();
    EXPECT_EQ(sent(), (Lines{"GET http://127.0.0.1:9/login",
                             "POST http://127.0.0.1:9/auth from http://127.0.0.1:9/login [tok=L1] [user=ann]",
                             "GET http://127.0.0.1:9/new",
                             "POST http://127.0.0.1:9/form from http://127.0.0.1:9/new [ACCT=1001] [csrf=T1]",
                             "GET http://127.0.0.1:9/new",
                             "POST http://127.0.0.1:9/form from http://127.0.0.1:9/new [ACCT=1002] [csrf=T2]"}));
    for (const auto& r : client.requests) {
        EXPECT_EQ(r.cacheControl, "no-cache") << r.url;
        EXPECT_EQ(r.contentType, "application/x-www-form-urlencoded") << r.url;
        EXPECT_FALSE(r.tls) << r.url;
    }
    EXPECT_EQ(deliveries(), (Lines{"1001 accepted", "1002 accepted"}));
}

TEST_F(SessionStepsTest, AReplyRedirectedToTheLoginPageLogsInAgainAndSendsTheRecordOnceMore)
{
    client.answers = {kLoginPage, kWelcome, answer("ok"), answer("<p>Please log in</p>", "127.0.0.1/login"),
                      kLoginPage, kWelcome, answer("ok")};
    engine.runPosting();
    const Lines requests = sent();
    ASSERT_EQ(requests.size(), 7u);
    EXPECT_EQ(requests[3], requests[6]) << "the record goes out once more, as it was";
    EXPECT_EQ(requests[4], "GET http://127.0.0.1:9/login");
    EXPECT_EQ(deliveries(), (Lines{"1001 accepted", "1002 not sent: Session Expired", "1002 accepted"}));
    EXPECT_EQ(engine.summary().accepted, 2);
    EXPECT_EQ(engine.session().relogins(), 1);
}

TEST_F(SessionStepsTest, ATakenRecordWhoseAnswerLedToTheLoginPageIsHeldInDoubt)
{
    client.answers = {kLoginPage, kWelcome, answer("ok"),
                      answer("<p>Please log in</p>", "127.0.0.1/login", "127.0.0.1/thanks")};
    engine.runPosting();
    EXPECT_EQ(sent().size(), 4u) << "never sent again";
    EXPECT_EQ(deliveries(), (Lines{"1001 accepted", std::string("1002 in doubt: ") + kAnswerLostReason}));
    EXPECT_EQ(engine.summary().inDoubt, 1);
    EXPECT_NE(std::find(host.memo2.begin(), host.memo2.end(),
                        std::string("Data May Have Been Sent For 1002: ") + kAnswerLostReason),
              host.memo2.end());
    EXPECT_EQ(engine.session().relogins(), 0);
}

// The confirmation is looked for in the reply, whatever the window made of the diagnostics pane.
TEST_F(SessionStepsTest, TheConfirmationIsReadFromTheReplyNotFromThePane)
{
    struct BlankPane : test::RecordingHost {
        void memo1SetText(std::string) override {}
    } pane;
    set("LoginURL", "");
    PostingEngine e(data, pane, dialogs, client, clock);
    client.answers = {answer("<b>OK</b>"), answer("no")};
    e.runPosting();
    EXPECT_EQ(pane.memo1, "");
    EXPECT_EQ(e.summary().accepted, 1);
    EXPECT_EQ(e.summary().notConfirmed, 1);
}

}  // namespace
}  // namespace torvane
