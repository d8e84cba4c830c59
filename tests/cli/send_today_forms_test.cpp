// The order and upload pages of three framework applications saved as a browser saves them (after a
// login), imported with the companion and sent back to the running application: a date in ISO form, a
// check box ticked and unticked, a textarea and a file. What arrived is read from the application's
// database and must be what a browser filling in the same form would have sent.
#include "cli/cli_runner.h"
#include "support/form_app.h"

#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <cstdlib>
#include <map>

namespace torvane::test {
namespace {

const char* const kPasswordVariable = "TORVANE_TEST_PASSWORD";

// Logs in through the login form (its hidden fields, the CSRF token among them, sent back with it)
// and saves the page at argv[4] to argv[5], as a browser's "Save Page As" would.
const char* const kSavePage = R"py(import html, re, sys, urllib.parse, urllib.request, http.cookiejar
root, login, user, password, page, out = sys.argv[1:]
opener = urllib.request.build_opener(urllib.request.HTTPCookieProcessor(http.cookiejar.CookieJar()))
form = opener.open(root + login).read().decode()
data = {}
for tag in re.findall(r'<input[^>]*>', form):
    attrs = dict((k.lower(), html.unescape(v)) for k, v in re.findall(r'([\w-]+)="([^"]*)"', tag))
    if attrs.get('type', '').lower() in ('hidden', 'submit') and 'name' in attrs:
        data[attrs['name']] = attrs.get('value', '')
data.update(username=user, password=password)
opener.open(urllib.request.Request(root + login, urllib.parse.urlencode(data).encode(), headers={'Referer': root + login}))
open(out, 'wb').write(opener.open(root + page).read())
)py";

// Name 1-20, quantity 21-23, date 24-31 (YYYYMMDD), gift wrap 32 (Y ticks it), notes 34-73.
const char* const kOrders = "Ann Lee               320240517Y Fragile & \"glass\" 50%+tax=ok\n"
                            "O'Brien & Sons       1220240229N <b>no</b> wrap; a=b&c=d\n"
                            "Zoe                   120241231N\n";

// Name 1-20, file 21-40.
const char* const kUploads = "Ann Lee             scan.bin\n";

// The file's SHA-256 in lower-case hex, as coreutils computes it.
std::string sha256Of(const std::string& path)
{
    const CliResult sum = runProgram("/usr/bin/sha256sum", {path});
    EXPECT_EQ(sum.status, 0) << sum.err;
    return sum.out.substr(0, 64);
}

class TodaysFormAppTest : public CliTest, public ::testing::WithParamInterface<FormAppKind> {
protected:
    std::unique_ptr<FormApp> app;

    void SetUp() override
    {
        CliTest::SetUp();
        if (!FormApp::available(GetParam()))
            GTEST_SKIP() << FormApp::name(GetParam()) << " is not installed";
        app = std::make_unique<FormApp>(GetParam());
        ASSERT_TRUE(app->running()) << app->startError();
        ::setenv(kPasswordVariable, FormApp::kPassword, 1);
    }
    void TearDown() override { ::unsetenv(kPasswordVariable); }

    // Saves the page, imports it, sets the login, and returns the imported fields' OrderNum by name.
    std::map<std::string, std::string> importSaved(const std::string& page, const std::string& exportText)
    {
        const CliResult saved = runProgram("/usr/bin/python3", {"-c", kSavePage, app->url(""), app->pages().login,
                                                                FormApp::kUser, FormApp::kPassword, page,
                                                                dir.file("page.html")});
        EXPECT_EQ(saved.status, 0) << saved.err << app->output();
        EXPECT_NE(dir.read("page.html").find(FormApp::kWelcomeText), std::string::npos) << "saved without a login";
        ok({"import-html", "page.html"});
        dir.write("export.txt", exportText);
        const std::vector<std::vector<std::string>> commands = {
            {"set", "URL", app->url(page)},
            {"set", "FormURL", app->url(page)},
            {"set", "LoginURL", app->url(app->pages().login)},
            {"set", "LoginData", std::string("username=") + FormApp::kUser + "\npassword=${" + kPasswordVariable + "}"},
            {"set", "LoginCheckText", FormApp::kWelcomeText},
            {"set", "RefreshHidden", "True"},
            {"set", "DataSentText", FormApp::kThanksText},
            {"set", "ImportData", "export.txt"},
        };
        for (const auto& args : commands)
            ok(args);
        return fieldOrders();
    }
    // The imported fields' OrderNum by name.
    std::map<std::string, std::string> fieldOrders() const
    {
        std::map<std::string, std::string> orders;
        const nlohmann::json shown = nlohmann::json::parse(ok({"show", "--json"}));
        for (const nlohmann::json& row : shown.at("fields"))
            orders.emplace(row.at("Name").get<std::string>(), row.at("OrderNum").dump());
        return orders;
    }
    // Takes columns start..start+length-1 of the export for the field named, at most maxLength long.
    void column(const std::map<std::string, std::string>& orders, const std::string& name, int start, int length)
    {
        ASSERT_EQ(orders.count(name), 1u) << name << " was not imported:\n" << show();
        const std::string& order = orders.at(name);
        ok({"set-field", order, "ImportStart", std::to_string(start)});
        ok({"set-field", order, "ImportLength", std::to_string(length)});
        ok({"set-field", order, "MaxLength", "200"});
    }
    void sendAll(size_t records)
    {
        const CliResult sent = cli({"send", "--pause", "0"});
        EXPECT_EQ(sent.status, 0) << sent.out << sent.err << app->output();
        EXPECT_NE(sent.err.find("accepted: " + std::to_string(records)), std::string::npos) << sent.err;
    }
};

TEST_P(TodaysFormAppTest, AnOrderWithADateACheckBoxAndATextarea)
{
    const auto orders = importSaved(app->pages().order, kOrders);
    column(orders, "customer_name", 1, 20);
    column(orders, "quantity", 21, 3);
    column(orders, "order_date", 24, 8);
    ok({"set-field", orders.at("order_date"), "Format", "YYYYMMDD To YYYY-MM-DD"});
    column(orders, "gift_wrap", 32, 1);
    ok({"set-option", "gift_wrap", "10", "ImportMap", "Y"});
    column(orders, "notes", 34, 40);
    sendAll(3);

    const std::vector<StoredOrder> stored = app->orders();
    ASSERT_EQ(stored.size(), 3u) << app->output();
    const struct {
        const char *name, *date, *notes;
        long long quantity;
        bool giftWrap;
    } expected[] = {{"Ann Lee", "2024-05-17", "Fragile & \"glass\" 50%+tax=ok", 3, true},
                    {"O'Brien & Sons", "2024-02-29", "<b>no</b> wrap; a=b&c=d", 12, false},
                    {"Zoe", "2024-12-31", "", 1, false}};
    for (size_t i = 0; i < stored.size(); ++i) {
        SCOPED_TRACE(expected[i].name);
        EXPECT_EQ(stored[i].form, "order");
        EXPECT_EQ(stored[i].customerName, expected[i].name);
        EXPECT_EQ(stored[i].quantity, expected[i].quantity);
        EXPECT_EQ(stored[i].orderDate, expected[i].date);
        EXPECT_EQ(stored[i].giftWrap, expected[i].giftWrap);
        EXPECT_EQ(stored[i].notes, expected[i].notes);
    }
}

TEST_P(TodaysFormAppTest, AFileSentInAMultipartBody)
{
    // Bytes a careless body would spoil: NUL, CR LF, a byte above 127 and a boundary-like line.
    const char bytes[] = "\x89PNG\r\n\x1a\n\0\xFF\r\n--boundary--\r\n\r\nend";
    const std::string file(bytes, sizeof bytes - 1);
    dir.write("scan.bin", file);
    const auto orders = importSaved(app->pages().upload, kUploads);
    column(orders, "customer_name", 1, 20);
    column(orders, "attachment", 21, 20);
    sendAll(1);

    const std::vector<StoredOrder> stored = app->orders();
    ASSERT_EQ(stored.size(), 1u) << app->output();
    EXPECT_EQ(stored[0].form, "upload");
    EXPECT_EQ(stored[0].customerName, "Ann Lee");
    EXPECT_EQ(stored[0].attachmentName, "scan.bin");
    EXPECT_EQ(stored[0].attachmentSize, static_cast<long long>(file.size()));
    EXPECT_EQ(stored[0].attachmentSha256, sha256Of(dir.file("scan.bin")));
}

INSTANTIATE_TEST_SUITE_P(Apps, TodaysFormAppTest,
                         ::testing::Values(FormAppKind::Django, FormAppKind::Flask, FormAppKind::Php),
                         [](const auto& info) { return std::string(FormApp::name(info.param)); });

}  // namespace
}  // namespace torvane::test
