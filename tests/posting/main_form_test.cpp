#include "gui/qt_text.h"
#include "posting/main_form.h"
#include "posting/posting_engine.h"
#include "store/data_module.h"
#include "support/recording_host.h"
#include "support/scripted_server.h"
#include "support/store_rows.h"
#include "support/temp_dir.h"
#include "util/error_handler.h"

#include <QAction>
#include <QLabel>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <set>
#include <fstream>

namespace torvane {
namespace {

class MainFormTest : public ::testing::Test {
protected:
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    test::ScriptedDialogs dialogs;
    test::FakePostingClient client;
    WindowEncodings encodings;
    TMainForm form{encodings};
    std::vector<std::string> errors;

    void SetUp() override
    {
        form.attachDataModule(data);
        form.setDialogs(&dialogs);
        form.setPostingClient(client);
        form.engine()->setPauseSeconds(0);
        setErrorReporter([this](const std::string& m) { errors.push_back(m); });
    }
    void TearDown() override { setErrorReporter({}); }
    QStringList memo2Lines() const { return form.Memo2->toPlainText().split('\n'); }
};

TEST_F(MainFormTest, MenusCarryTheirCaptionsAndAccessKeys)
{
    QStringList menus;
    for (QAction* a : form.menuBar()->actions())
        menus << a->text();
    EXPECT_EQ(menus, (QStringList{"&File", "&Process", "&Tracking", "&Help"}));
    QStringList fileItems;
    for (QAction* a : form.menuBar()->actions()[0]->menu()->actions())
        fileItems << (a->isSeparator() ? "-" : a->text());
    EXPECT_EQ(fileItems,
              (QStringList{"&Settings", "-", "&Print", "P&rinter Setiup", "Save &Information...", "-", "&Exit"}));
    QStringList trackingItems;
    for (QAction* a : form.menuBar()->actions()[2]->menu()->actions())
        trackingItems << a->text();
    EXPECT_EQ(trackingItems, (QStringList{"&View Tracking Data", "&Interrupted Submissions", "Run &History"}));
    EXPECT_EQ(form.SendData1->text(), "&Send Data");
    EXPECT_EQ(form.ViewTrackingData1->text(), "&View Tracking Data");
    EXPECT_EQ(form.About1->text(), "&About");
    EXPECT_EQ(form.windowTitle(), "Torvane");
    EXPECT_EQ(form.StatusPanel1->text(), "Ready");
    EXPECT_FALSE(form.StatusPanel0->text().isEmpty());
    EXPECT_FALSE(form.Memo1->isVisibleTo(&form));
    EXPECT_FALSE(form.Label2->isVisibleTo(&form));
}

TEST_F(MainFormTest, SendDataOnAnEmptyStoreShowsBothAbortLines)
{
    form.SendData1->trigger();
    ASSERT_FALSE(dialogs.shown.empty());
    EXPECT_EQ(dialogs.shown[0].text, "Ok to Send Data?");
    EXPECT_EQ(memo2Lines(),
              (QStringList{"Posting Aborted, No URL Defined.", "Positng Aborted, Post Action Not Defined"}));
    EXPECT_EQ(form.StatusPanel1->text(), "Ready");
    EXPECT_TRUE(form.SendData1->isEnabled());
}

TEST_F(MainFormTest, AnErrorEndingARunReachesTheGeneralErrorHandler)
{
    dir.write("export.txt", "a\nb\n");
    data.SettingsTable.setText("URL", "http://127.0.0.1:9/");
    data.SettingsTable.setText("PostType", "GET");
    data.SettingsTable.setText("ImportData", dir.file("export.txt"));
    data.SettingsTable.post();
    client.failWith = "HTTP/1.1 404 Not Found";
    form.SendData1->trigger();
    EXPECT_EQ(errors, std::vector<std::string>{"HTTP/1.1 404 Not Found."});
    EXPECT_EQ(form.StatusPanel1->text(), "Ready");
    EXPECT_TRUE(form.SendData1->isEnabled());
}

TEST_F(MainFormTest, DiagnosticsPaneShowsWhenViewDiagWasSetAtFirstActivation)
{
    data.SettingsTable.setText("ViewDiag", "True");
    data.SettingsTable.post();
    form.FormActivate();
    EXPECT_TRUE(form.Memo1->isVisibleTo(&form));
    EXPECT_TRUE(form.engine()->DiagnosticsOn);
}

TEST_F(MainFormTest, SaveInformationWritesWhatPrintWouldPrint)
{
    QString printed;
    MainFormWindows windows;
    windows.print = [&printed](const QString& text) { printed = text; };
    QString chosen = QString::fromStdString(dir.file("info.txt"));
    windows.chooseInformationFile = [&chosen] { return chosen; };
    form.setWindows(windows);
    form.host().memo2Add("Data Accepted By Server For: M\xC3\xBCller");
    form.host().memo2Add("Data Not Sent For 1002, Missing Required Fields\r\n     zip Required\r\n");
    form.Print1->trigger();
    form.SaveInformation1->trigger();
    EXPECT_EQ(dir.read("info.txt"), printed.toStdString() + "\n");
    EXPECT_EQ(dir.read("info.txt"), "Data Accepted By Server For: M\xC3\xBCller\nData Not Sent For 1002, Missing Required "
                                    "Fields\n     zip Required\n\n");

    chosen.clear();  // the operator cancelled: nothing written
    std::remove(dir.file("info.txt").c_str());
    form.SaveInformation1->trigger();
    EXPECT_FALSE(std::ifstream(dir.file("info.txt")).good());

    chosen = QString::fromStdString(dir.file("no/such/dir/info.txt"));
    form.SaveInformation1->trigger();
    ASSERT_EQ(errors.size(), 1u);
    EXPECT_EQ(errors[0].rfind("Cannot write file", 0), 0u) << errors[0];
}

TEST_F(MainFormTest, CheckDataWritesTheReportIntoTheInformationPaneWithoutAskingOrSending)
{
    dir.write("export.txt", "1001\n\n");
    test::setRow(data.SettingsTable, {{"URL", "http://127.0.0.1:9/form"},
                                      {"PostType", "POST"},
                                      {"DataSentText", "thank you"},
                                      {"ImportData", dir.file("export.txt")},
                                      {"DeleteFile", "True"}});
    test::appendRow(data.FieldsTable, {{"OrderNum", "10"},
                                       {"Name", "acct"},
                                       {"ImportStart", "1"},
                                       {"ImportLength", "4"},
                                       {"Required", "True"}});
    form.Memo2->setPlainText("left from before");

    QStringList processItems;
    for (QAction* a : form.menuBar()->actions()[1]->menu()->actions())
        processItems << a->text();
    EXPECT_EQ(processItems, (QStringList{"&Send Data", "&Check Data"}));
    form.CheckData1->trigger();
    EXPECT_TRUE(dialogs.shown.empty());
    EXPECT_TRUE(client.requests.empty());
    EXPECT_EQ(memo2Lines(), (QStringList{"Line 2 (record 2, key ): acct starts at column 1, beyond the end of the line "
                                         "(0 columns)",
                                         "Line 2 (record 2, key ): acct Required: the record would be refused",
                                         "Checked 2 records: 1 would be sent, 1 refused for missing fields, 0 already "
                                         "sent, 1 with warnings"}));
    EXPECT_TRUE(errors.empty());
    EXPECT_TRUE(form.SendData1->isEnabled());
    EXPECT_TRUE(form.CheckData1->isEnabled());
    EXPECT_EQ(dir.read("export.txt"), "1001\n\n");
}

// A window over a store that posts `records` records of one field to a loopback server that confirms
// each, with the settings given besides.
struct WindowOverLoopback {
    test::TempDir dir;
    TDataModule1 data{dir.file("torvane.db")};
    test::ScriptedDialogs dialogs;
    test::ScriptedServer server;
    WindowEncodings encodings;
    TMainForm form{encodings};

    WindowOverLoopback(int records, test::Row settings)
    {
        form.attachDataModule(data);
        form.setDialogs(&dialogs);
        form.engine()->setPauseSeconds(0);
        form.show();
        std::string exportText = "BATCH HEADER\r\n";
        for (int i = 1; i <= records; ++i) {
            exportText += "R" + std::to_string(1000 + i) + "\r\n";
            server.queue("HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\nThank you");
        }
        dir.write("export.txt", exportText);
        settings.insert({{"URL", server.url("/order")},
                         {"PostType", "POST"},
                         {"DataSentText", "Thank you"},
                         {"ImportData", dir.file("export.txt")},
                         {"LinesToRead", "1"}});
        test::setRow(data.SettingsTable, settings);
        test::appendRow(data.FieldsTable,
                        {{"OrderNum", "10"}, {"Name", "orderno"}, {"ImportStart", "1"}, {"ImportLength", "5"}});
    }
};

// The status bar's progress during a real run: ten records through the HTTP client to a loopback server.
TEST(MainFormProgressTest, TheBarCountsTheRecordsOfTheFileAndGoesWhenTheRunEnds)
{
    WindowOverLoopback window(10, {});
    TMainForm& form = window.form;
    test::ScriptedServer& server = window.server;

    EXPECT_TRUE(form.RunProgressBar->isHidden()) << "no bar before a run";
    struct Seen {
        int value, maximum;
        bool shown;
        QString timeLeft;
        size_t requests;
    };
    std::vector<Seen> seen;
    QObject::connect(form.RunProgressBar, &QProgressBar::valueChanged, [&](int value) {
        seen.push_back({value, form.RunProgressBar->maximum(), !form.RunProgressBar->isHidden(),
                        form.TimeLeftLabel->text(), server.requests().size()});
    });
    form.SendData1Click();

    ASSERT_EQ(seen.size(), 11u);
    for (int i = 0; i <= 10; ++i) {
        const Seen& at = seen[size_t(i)];
        EXPECT_EQ(at.value, i);
        EXPECT_EQ(at.maximum, 10) << "the records of the file, the header left out";
        EXPECT_TRUE(at.shown);
        EXPECT_EQ(at.requests, size_t(i)) << "a step for each record the server has seen";
        if (i == 0)
            EXPECT_EQ(at.timeLeft, "") << "no pace before the first record";
        else
            EXPECT_TRUE(at.timeLeft.startsWith("About ") && at.timeLeft.endsWith(" left")) << at.timeLeft.toStdString();
    }
    EXPECT_EQ(seen.back().timeLeft, "About 0 s left");
    EXPECT_TRUE(form.RunProgressBar->isHidden()) << "hidden again when the run ends";
    EXPECT_TRUE(form.TimeLeftLabel->isHidden());
    EXPECT_EQ(form.StatusPanel1->text(), "Ready");
    EXPECT_EQ(server.requests().size(), 10u);
    // Every record confirmed without tracking: the information pane says nothing, as always.
    EXPECT_EQ(form.Memo2->toPlainText(), "");
}

// A run of eight connections from the window: the bar counts finished records, Send Data stays off,
// and the window goes on handling its messages (the bar repaints) while records are in flight.
TEST(MainFormProgressTest, EightConnectionsKeepTheWindowAliveAndSendEachRecordOnce)
{
    WindowOverLoopback window(24, {{"Connections", "8"}});
    TMainForm& form = window.form;
    test::ScriptedServer& server = window.server;

    std::vector<int> values;
    bool sendDataOff = true;
    QObject::connect(form.RunProgressBar, &QProgressBar::valueChanged, [&](int value) {
        values.push_back(value);
        sendDataOff = sendDataOff && !form.SendData1->isEnabled();
        if (value == 12)
            if (const char* shot = std::getenv("TORVANE_SCREENSHOT"))
                form.grab().save(QString::fromLocal8Bit(shot));
    });
    form.SendData1Click();

    ASSERT_EQ(values.size(), 25u);
    for (int i = 0; i <= 24; ++i)
        EXPECT_EQ(values[size_t(i)], i);
    EXPECT_TRUE(sendDataOff);
    EXPECT_EQ(form.StatusPanel1->text(), "Ready");
    std::set<std::string> bodies;
    for (const std::string& request : server.requests())
        bodies.insert(request.substr(request.find("\r\n\r\n")));
    EXPECT_EQ(server.requests().size(), 24u);
    EXPECT_EQ(bodies.size(), 24u) << "each record once";
    EXPECT_EQ(form.Memo2->toPlainText(), "");
}

}  // namespace
}  // namespace torvane
