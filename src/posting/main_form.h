// The main window: the menus, the information and diagnostics panes, the wait banner and the status bar,
// adapting the posting engine (and the HTTP client's progress events) to widgets.
#pragma once

#include "gui/message_box_dialogs.h"
#include "gui/password_prompt.h"
#include "util/host.h"
#include "util/secrets.h"

#include <QMainWindow>

#include <functional>
#include <memory>

class QAction;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QStatusBar;

namespace torvane {

class TDataModule1;
class PostingEngine;
class PostingClient;
class PostingStation;

// What the menu items open; the start-up sequence fills these with the long-lived windows.
struct MainFormWindows {
    std::function<bool()> settings;  // shows the settings dialog; returns "Show Posting Data"
    std::function<void()> viewTracking;
    std::function<void(const QString& text)> print;  // one print job
    std::function<void()> printerSetup;
    std::function<void()> about;
    std::function<void()> interruptedSubmissions;
    std::function<QString()> chooseInformationFile;  // the file to save the information pane in; empty: none
    std::function<void()> runHistory;
};

class TMainForm : public QMainWindow, private Host, private Dialogs {
    Q_OBJECT
public:
    // The encodings the panes show texts in; they must outlive the window.
    explicit TMainForm(const WindowEncodings& encodings, QWidget* parent = nullptr);
    ~TMainForm() override;

    // Attaches the data module once it exists; the posting engine is made here.
    void attachDataModule(TDataModule1& data);
    void setWindows(MainFormWindows windows) { m_windows = std::move(windows); }
    // For tests, after attachDataModule: the posting client to use instead of the HTTP client.
    void setPostingClient(PostingClient& client);

    PostingEngine* engine();
    Dialogs& dialogs() { return *this; }
    Host& host() { return *this; }
    // Replaces the message boxes (tests answer questions through this).
    void setDialogs(Dialogs* dialogs) { m_dialogsOverride = dialogs; }

    // Handlers of the menu items.
    void Settings1Click();
    void Print1Click();
    void PrinterSetiup1Click();
    void SaveInformation1Click();
    void Exit1Click();
    void SendData1Click();
    // Process > Check Data: the data check, its report in the information pane; nothing is sent.
    void CheckData1Click();
    void ViewTrackingData1Click();
    void InterruptedSubmissions1Click();
    void RunHistory1Click();
    void About1Click();
    // First activation: reads Show Diagnostics, lays out the panes, purges old tracking records.
    void FormActivate();

    QLabel* Label1 = nullptr;
    QLabel* Label2 = nullptr;
    QPlainTextEdit* Memo2 = nullptr;
    QPlainTextEdit* Memo1 = nullptr;
    QStatusBar* StatusBar1 = nullptr;
    QLabel* StatusPanel0 = nullptr;
    QLabel* StatusPanel1 = nullptr;
    // Beside the status panels during a run only: records done of the records in the file, and the time
    // left at the pace so far.
    QProgressBar* RunProgressBar = nullptr;
    QLabel* TimeLeftLabel = nullptr;
    QAction* Settings1 = nullptr;
    QAction* Print1 = nullptr;
    QAction* PrinterSetiup1 = nullptr;
    QAction* SaveInformation1 = nullptr;
    QAction* Exit1 = nullptr;
    QAction* SendData1 = nullptr;
    QAction* CheckData1 = nullptr;
    QAction* ViewTrackingData1 = nullptr;
    QAction* InterruptedSubmissions1 = nullptr;
    QAction* RunHistory1 = nullptr;
    QAction* About1 = nullptr;

protected:
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate();
    void createMenus();
    // The copyright and status panels, and the run's progress bar and time left.
    void createStatusBar();
    // The engine and the HTTP stack of the window; client: where the engine sends instead (tests).
    void makeStation(PostingClient* client);
    void showDiagnosticsPane();

    // Host
    void memo2Add(const std::string& text) override;
    void memo2Clear() override;
    void memo1Add(const std::string& text) override;
    void memo1SetText(std::string text) override;
    void memo1Clear() override;
    const std::string& memo1Text() const override;
    void setStatusText(const std::string& text) override;
    void setBannerVisible(bool visible) override;
    void repaint() override;
    void processMessages() override;
    void runProgress(int64_t done, int64_t total, int64_t elapsedMs) override;
    void hideRunProgress();

    // Dialogs
    bool askYesNo(const std::string& caption, const std::string& text) override;
    bool askOkCancel(const std::string& caption, const std::string& text) override;
    void showExclamation(const std::string& caption, const std::string& text) override;
    void showError(const std::string& caption, const std::string& text) override;
    // Where the questions go: the tests' answers when set, message boxes over this window otherwise.
    Dialogs& answeringDialogs();

    const WindowEncodings& m_encodings;
    std::unique_ptr<PostingStation> m_station;
    // ${NAME} values of the login the environment lacks: asked once per application run.
    AskedSecrets m_secrets{[this](const std::string& name) { return askSecret(this, m_encodings, name); }};
    TDataModule1* m_data = nullptr;
    Dialogs* m_dialogsOverride = nullptr;
    MessageBoxDialogs m_messageBoxes{this};
    MainFormWindows m_windows;
    std::string m_memo1;  // the diagnostics pane's bytes, as the run set them
    bool m_settingMemo1 = false;
    bool m_closing = false;  // the window was closed while a run was going on
};

}  // namespace torvane
