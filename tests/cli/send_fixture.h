// The companion's send runs against a loopback server: a store configured once with the companion itself
// and copied into each test's folder, an export file that yields an accepted, a refused and a warned
// record, and helpers for the replies and the summary line.
#pragma once

#include "cli/cli_runner.h"
#include "support/scripted_server.h"
#include "util/dates.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace torvane::test {

// Today as the companion shows it: in the short date format of the locale it runs in.
inline std::string shownToday()
{
    setShortDateFormat(localeShortDateFormat());
    const std::string shown = formatShortDate(today());
    setShortDateFormat("MM/dd/yyyy");
    return shown;
}

using Lines = std::vector<std::string>;

inline const char* const kForm = "<HTML><BODY>\n"
                                 "<FORM ACTION=\"/orders\" METHOD=\"post\">\n"
                                 "<INPUT TYPE=\"text\" NAME=\"acct\" MAXLENGTH=\"4\">\n"
                                 "<INPUT TYPE=\"text\" NAME=\"zip\" MAXLENGTH=\"5\">\n"
                                 "<SELECT NAME=\"color\">\n"
                                 "<OPTION VALUE=\"r\">Red\n"
                                 "<OPTION VALUE=\"b\">Blue\n"
                                 "</SELECT>\n"
                                 "<INPUT TYPE=\"submit\" NAME=\"go\" VALUE=\"Send\">\n"
                                 "</FORM></BODY></HTML>\n";

// A header line, then: a complete record, one without its required ZIP, one whose colour code the
// cross walk does not know.
inline const char* const kExport = "EXPORT HEADER\r\n"
                                   "1001 12345R\r\n"
                                   "1002      B\r\n"
                                   "1003 54321X\r\n";

// The exit status of a run that reads kExport to its end: done, with record 1002 refused.
inline constexpr int kDoneWithRefusal = 3;

inline std::string reply(const std::string& status, const std::string& body)
{
    return "HTTP/1.1 " + status +
           "\r\nContent-Type: text/html\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" +
           body;
}
inline const std::string kThanks = "<html><body>Thank You!</body></html>";

inline std::string summary(int read, int accepted, int notConfirmed, int refused, int skipped,
                           int inDoubt = 0)
{
    return "Records read: " + std::to_string(read) + ", accepted: " + std::to_string(accepted) +
           ", not confirmed: " + std::to_string(notConfirmed) +
           ", refused for missing fields: " + std::to_string(refused) +
           ", skipped as already sent: " + std::to_string(skipped) + ", in doubt: " + std::to_string(inDoubt);
}

inline bool containsInOrder(const Lines& lines, const Lines& wanted)
{
    auto at = lines.begin();
    for (const std::string& w : wanted) {
        at = std::find(at, lines.end(), w);
        if (at == lines.end())
            return false;
        ++at;
    }
    return true;
}

class SendTest : public CliTest {
protected:
    ScriptedServer server;

    // The configuration is made once with the companion itself and copied into each test's folder;
    // only the server's address differs from test to test.
    static std::string& configuredStore()
    {
        static std::string bytes;
        return bytes;
    }
    static void SetUpTestSuite()
    {
        configuredStore() = storeMadeWith(kForm, {
                                                     {"import-html", "form.html"},
                                                     {"set", "DataSentText", "thank you"},
                                                     {"set", "ImportData", "export.txt"},
                                                     {"set", "LinesToRead", "1"},
                                                     {"set", "ViewWarnings", "True"},
                                                     {"set", "TrackSent", "True"},
                                                     {"set", "FieldToTrack1", "acct"},
                                                     {"set-field", "10", "ImportStart", "1"},
                                                     {"set-field", "10", "ImportLength", "4"},
                                                     {"set-field", "20", "ImportStart", "6"},
                                                     {"set-field", "20", "ImportLength", "5"},
                                                     {"set-field", "20", "Required", "True"},
                                                     {"set-field", "30", "ImportStart", "11"},
                                                     {"set-field", "30", "ImportLength", "1"},
                                                     {"set-option", "color", "10", "ImportMap", "R"},
                                                     {"set-option", "color", "20", "ImportMap", "B"},
                                                 });
    }

    void SetUp() override
    {
        CliTest::SetUp();
        ASSERT_FALSE(configuredStore().empty());
        dir.write("torvane.db", configuredStore());
        dir.write("export.txt", kExport);
        ok({"set", "URL", server.url("/orders")});
    }

    // Starts a run whose server holds the n-th request without ever answering, and kills the run once
    // that request has arrived: the record is then in doubt. The replies before it are queued first.
    void killWhileRequestIsOut(size_t n)
    {
        ScriptedServer::Reply hold;
        hold.silent = true;
        server.queue(hold);
        auto run = start({"send", "--pause", "0"});
        server.waitForRequests(n);
        run->kill();
        EXPECT_EQ(run->wait().status, -1) << "ended by the kill";
    }

    CliResult send(Lines extra = {})
    {
        Lines args{"send", "--pause", "0"};
        args.insert(args.end(), extra.begin(), extra.end());
        return cli(args);
    }
};

} // namespace torvane::test
