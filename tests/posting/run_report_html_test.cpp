// The run report: percentiles and groups worked out from ledger rows, and the HTML page parsed as HTML
// (Python's parser) with its counts, groups and charts checked.
#include "posting/run_report_html.h"
#include "support/temp_dir.h"
#include "util/utf8_output.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <cstdlib>

namespace torvane {
namespace {

// A run with every outcome: three accepted (one tried twice), one not confirmed, two refused for the same
// field, one held in doubt, one cut off, two failed with a 404.
std::vector<DeliveryRecord> everyOutcome()
{
    auto row = [](int64_t id, int64_t line, std::string key, std::string state, int64_t request, int64_t reply,
                  std::string status = {}, std::string message = {}) {
        return DeliveryRecord{id, 1, line, line - 1, key, state, "", "", status, message, request, reply};
    };
    return {
        row(1, 2, "1001", "accepted", 0, 40, "HTTP/1.1 200 OK"),
        row(2, 3, "1002", "not sent", 1000, 1005, "", "Socket Error # 10061\r\nConnection refused."),
        row(3, 3, "1002", "accepted", 6000, 6100, "HTTP/1.1 200 OK"),
        row(4, 4, "1003", "accepted", 61000, 64000, "HTTP/1.1 200 OK"),
        row(5, 5, "1004", "not confirmed", 65000, 65020, "HTTP/1.1 200 OK"),
        row(6, 6, "1<5>", "refused", -1, -1, "", "Missing required fields: zip"),
        row(7, 7, "1006", "refused", -1, -1, "", "Missing required fields: zip"),
        row(8, 8, "1007", "in doubt", -1, -1, "", "May have been sent by a run cut off earlier"),
        row(9, 9, "1008", "sending", 70000, -1),
        row(10, 10, "1009", "failed", 71000, 71010, "HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found"),
        row(11, 11, "1010", "failed", 72000, 72010, "HTTP/1.1 404 Not Found", "HTTP/1.1 404 Not Found"),
    };
}

RunRecord theRun()
{
    RunRecord run{7, "2026-03-01 02:00:00", "2026-03-01 02:01:20", "orders.txt", "failed", {}, ""};
    run.counts = {10, 3, 1, 2, 0, 2, 2};
    run.settings = "URL: http://example.test/orders\nMethod: POST\n";
    return run;
}

TEST(RunReportTest, TimesGroupsAndPercentilesComeFromTheLastRowOfEachRecord)
{
    const RunReport r = buildRunReport(theRun(), everyOutcome(), Utf8Output());
    EXPECT_EQ(r.timed, 6) << "three accepted, one not confirmed, two failed";
    EXPECT_EQ(r.medianMs, 20);
    EXPECT_EQ(r.maxMs, 3000);
    ASSERT_FALSE(r.slowest.empty());
    EXPECT_EQ(r.slowest[0].key, "1003");
    EXPECT_EQ(r.perStep, (std::vector<int64_t>{2, 4})) << "replies in the first minute and the second";
    std::vector<std::string> groups;
    for (const ReportGroup& g : r.groups)
        groups.push_back(g.outcome + ": " + g.reason + " x" + std::to_string(g.total));
    EXPECT_EQ(groups, (std::vector<std::string>{
                          "refused: Missing required fields: zip x2",
                          "not confirmed: HTTP/1.1 200 OK without the confirmation text x1",
                          "in doubt: Cut off before the server's answer x1",
                          "in doubt: May have been sent by a run cut off earlier x1",
                          "failed: HTTP/1.1 404 Not Found x2",
                      }));
    EXPECT_EQ(percentile({1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, 0.9), 9);
    EXPECT_EQ(percentile({}, 0.5), 0);
}

// What Python's HTML parser finds in the page: the tags left open, the SVG charts, the group tables.
nlohmann::json parsedPage(const std::string& path)
{
    const std::string script = R"(
import html.parser, json, sys
class P(html.parser.HTMLParser):
    def __init__(s):
        super().__init__(); s.stack=[]; s.svgs=0; s.groups=[]; s.rows=None; s.scripts=0; s.links=0
    def handle_starttag(s, tag, attrs):
        a=dict(attrs)
        if tag not in ('meta','br','img','rect','line','path','circle'): s.stack.append(tag)
        if tag=='svg': s.svgs+=1
        if tag=='script': s.scripts+=1
        if tag in ('link','img') or 'src' in a or (a.get('href','').startswith('http')): s.links+=1
        if tag=='table' and a.get('class')=='group':
            s.rows=[]; s.groups.append({'outcome':a['data-outcome'],'total':int(a['data-total']),'keys':s.rows})
        if tag=='tr' and s.rows is not None: s.rows.append('')
    def handle_endtag(s, tag):
        if tag in ('rect','line','path','circle'): return
        if s.stack and s.stack[-1]==tag: s.stack.pop()
        else: s.stack.append('mismatch:'+tag)
        if tag=='table': s.rows=None
    def handle_data(s, d):
        if s.rows and s.stack and s.stack[-1]=='td': s.rows[-1]+=d+'|'
p=P(); p.feed(open(sys.argv[1], encoding='utf-8').read())
print(json.dumps({'open':p.stack,'svgs':p.svgs,'groups':p.groups,'scripts':p.scripts,'links':p.links}))
)";
    test::TempDir dir;
    dir.write("parse.py", script);
    const std::string command = "python3 " + dir.file("parse.py") + " " + path + " > " + dir.file("out.json");
    EXPECT_EQ(std::system(command.c_str()), 0);
    return nlohmann::json::parse(dir.read("out.json"));
}

TEST(RunReportTest, ThePageIsSelfContainedHtmlWithChartsAndTheGroupedRecords)
{
    test::TempDir dir;
    writeRunReportHtml(dir.file("run.html"), buildRunReport(theRun(), everyOutcome(), Utf8Output()));
    const std::string page = dir.read("run.html");
    const nlohmann::json parsed = parsedPage(dir.file("run.html"));
    EXPECT_EQ(parsed["open"], nlohmann::json::array()) << "every tag closed in order";
    EXPECT_EQ(parsed["svgs"], 3) << "counts, response times, records per minute";
    EXPECT_EQ(parsed["scripts"], 0);
    EXPECT_EQ(parsed["links"], 0) << "nothing fetched from elsewhere";
    ASSERT_EQ(parsed["groups"].size(), 5u);
    EXPECT_EQ(parsed["groups"][0]["outcome"], "refused");
    EXPECT_EQ(parsed["groups"][0]["total"], 2);
    EXPECT_EQ(parsed["groups"][0]["keys"][1], "6|5|1<5>|") << "line, record, key (escaped in the page)";
    EXPECT_EQ(parsed["groups"][4]["outcome"], "failed");
    EXPECT_NE(page.find("1&lt;5&gt;"), std::string::npos);
    EXPECT_NE(page.find(">accepted</text>"), std::string::npos);
    EXPECT_NE(page.find("http://example.test/orders"), std::string::npos) << "the settings";
}

TEST(RunReportTest, AReportOfAHundredThousandRecordsStaysSmall)
{
    std::vector<DeliveryRecord> rows;
    for (int64_t i = 0; i < 100000; ++i) {
        // Every failure with a message of its own: the worst case for the groups.
        const char* state = i % 10 == 0 ? "not confirmed" : i % 17 == 0 ? "failed" : "accepted";
        rows.push_back({i + 1, 1, i + 2, i + 1, std::to_string(100000 + i), state, "", "", "HTTP/1.1 200 OK",
                        i % 17 == 0 ? "Error " + std::to_string(i) : "", i * 1100, i * 1100 + 40 + i % 900});
    }
    RunRecord run = theRun();
    run.counts = {100000, 84000, 10000, 0, 0, 0, 6000};
    const RunReport report = buildRunReport(run, rows, Utf8Output());
    const std::string page = runReportHtml(report);
    EXPECT_LT(page.size(), 5u * 1000 * 1000);
    EXPECT_EQ(report.groups.size(), 1u + ReportGroup::kGroupsPerOutcome);
    EXPECT_EQ(report.groups.back().reason, "5265 other reasons") << "5294 failures, 29 reasons shown alone";
    std::printf("report of 100000 records: %zu bytes\n", page.size());
}

}  // namespace
}  // namespace torvane
