#include "posting/main_form.h"

#include "gui/qt_text.h"
#include "gui/window_placement.h"
#include "posting/data_check.h"
#include "posting/posting_station.h"
#include "posting/time_left.h"
#include "store/data_module.h"
#include "util/error.h"
#include "util/error_handler.h"
#include "util/product_info.h"
#include "util/scoped_value.h"
#include "util/text.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QFile>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QScreen>
#include <QStatusBar>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>
#include <cstdint>

namespace torvane {

TMainForm::TMainForm(const WindowEncodings& encodings, QWidget* parent)
    : QMainWindow(parent), m_encodings(encodings)
{
    FormCreate();
}

TMainForm::~TMainForm() = default;

void TMainForm::FormCreate()
{
    setWindowTitle(kProductName);
    resize(684, 477);

    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    layout->setContentsMargins(16, 0, 16, 8);
    layout->setSpacing(4);

    Label2 = new QLabel("Processing Data Please Wait", central);
    Label2->setObjectName("Label2");
    Label2->setAlignment(Qt::AlignCenter);
    QFont bannerFont = Label2->font();
    bannerFont.setPixelSize(19);
    Label2->setFont(bannerFont);
    Label2->setMinimumHeight(25);
    Label2->setVisible(false);
    layout->addWidget(Label2);

    Label1 = new QLabel("Information:", central);
    Label1->setObjectName("Label1");
    layout->addWidget(Label1);

    Memo2 = new QPlainTextEdit(central);
    Memo2->setObjectName("Memo2");
    Memo2->setReadOnly(true);
    Memo2->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo2->setLineWrapMode(QPlainTextEdit::NoWrap);
    layout->addWidget(Memo2, 1);

    Memo1 = new QPlainTextEdit(central);
    Memo1->setObjectName("Memo1");
    Memo1->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    Memo1->setVisible(false);
    layout->addWidget(Memo1, 1);
    // The operator may edit the diagnostics pane; keep the bytes the confirmation check reads in step.
    connect(Memo1, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingMemo1)
            m_memo1 = toBytes(Memo1->toPlainText());
    });

    setCentralWidget(central);

    createStatusBar();

    createMenus();

    centreOnScreen(this);
    QApplication::processEvents();
}

void TMainForm::createStatusBar()
{
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName("StatusBar1");
    StatusPanel0 = new QLabel(kCopyrightNotice, StatusBar1);
    StatusPanel0->setObjectName("StatusPanel0");
    StatusPanel0->setFixedWidth(250);
    StatusPanel1 = new QLabel("Ready", StatusBar1);
    StatusPanel1->setObjectName("StatusPanel1");
    StatusPanel1->setMinimumWidth(50);
    StatusBar1->addWidget(StatusPanel0);
    StatusBar1->addWidget(StatusPanel1, 1);
    RunProgressBar = new QProgressBar(StatusBar1);
    RunProgressBar->setObjectName("RunProgressBar");
    RunProgressBar->setMaximumWidth(160);
    RunProgressBar->setFormat("%v of %m");
    TimeLeftLabel = new QLabel(StatusBar1);
    TimeLeftLabel->setObjectName("TimeLeftLabel");
    StatusBar1->addPermanentWidget(TimeLeftLabel);
    StatusBar1->addPermanentWidget(RunProgressBar);
    hideRunProgress();
    setStatusBar(StatusBar1);
}

void TMainForm::createMenus()
{
    auto add = [this](QMenu* menu, const char* text, const char* name, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(QString::fromUtf8(text));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, [this, handler] { guarded([&] { (this->*handler)(); }); });
        return action;
    };
    QMenuBar* bar = menuBar();
    bar->setObjectName("MainMenu1");
    QMenu* file = bar->addMenu("&File");
    Settings1 = add(file, "&Settings", "Settings1", &TMainForm::Settings1Click);
    file->addSeparator();
    Print1 = add(file, "&Print", "Print1", &TMainForm::Print1Click);
    PrinterSetiup1 = add(file, kPrinterSetupMenuText, "PrinterSetiup1", &TMainForm::PrinterSetiup1Click);
    SaveInformation1 = add(file, "Save &Information...", "SaveInformation1", &TMainForm::SaveInformation1Click);
    file->addSeparator();
    Exit1 = add(file, "&Exit", "Exit1", &TMainForm::Exit1Click);
    QMenu* process = bar->addMenu("&Process");
    SendData1 = add(process, "&Send Data", "SendData1", &TMainForm::SendData1Click);
    CheckData1 = add(process, "&Check Data", "CheckData1", &TMainForm::CheckData1Click);
    QMenu* tracking = bar->addMenu("&Tracking");
    ViewTrackingData1 = add(tracking, "&View Tracking Data", "ViewTrackingData1", &TMainForm::ViewTrackingData1Click);
    InterruptedSubmissions1 = add(tracking, "&Interrupted Submissions", "InterruptedSubmissions1",
                                  &TMainForm::InterruptedSubmissions1Click);
    RunHistory1 = add(tracking, "Run &History", "RunHistory1", &TMainForm::RunHistory1Click);
    QMenu* help = bar->addMenu("&Help");
    About1 = add(help, "&About", "About1", &TMainForm::About1Click);
}

void TMainForm::attachDataModule(TDataModule1& data)
{
    m_data = &data;
    makeStation(nullptr);
}

void TMainForm::makeStation(PostingClient* client)
{
    m_station = std::make_unique<PostingStation>(*m_data, static_cast<Host&>(*this), static_cast<Dialogs&>(*this),
                                                 nullptr, HttpStackOptions{}, client);
    m_station->engine.setSecretSource(&m_secrets);
    // Closing the window during a run lets the record in progress finish (or its wait before another
    // try end), then ends the run as the end of the file would; the window closes after.
    m_station->engine.setStopRequested([this] { return m_closing; });
}

void TMainForm::closeEvent(QCloseEvent* event)
{
    if (engine() && engine()->isRunning())
        m_closing = true;
    QMainWindow::closeEvent(event);
}

PostingEngine* TMainForm::engine()
{
    return m_station ? &m_station->engine : nullptr;
}

void TMainForm::setPostingClient(PostingClient& client)
{
    if (m_data)
        makeStation(&client);
}

void TMainForm::changeEvent(QEvent* event)
{
    QMainWindow::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow())
        guarded([this] { FormActivate(); });
}

void TMainForm::showEvent(QShowEvent* event)
{
    QMainWindow::showEvent(event);
    // Without a window manager the window may never be activated; the first showing counts as well.
    QTimer::singleShot(0, this, [this] { guarded([this] { FormActivate(); }); });
}

void TMainForm::FormActivate()
{
    if (!engine())
        return;
    engine()->FormActivate([this] { showDiagnosticsPane(); });
}

void TMainForm::showDiagnosticsPane()
{
    Memo1->setVisible(true);
    Memo2->setMinimumHeight(0);
    auto* layout = static_cast<QVBoxLayout*>(centralWidget()->layout());
    // Information pane 185 high above the diagnostics pane, as the two-pane layout has it.
    layout->setStretchFactor(Memo2, 185);
    layout->setStretchFactor(Memo1, 169);
    QMainWindow::repaint();
}

void TMainForm::Settings1Click()
{
    if (!m_windows.settings)
        return;
    const bool showPostingData = m_windows.settings();
    if (engine()) {
        engine()->ShowPostingData = showPostingData;
        engine()->DiagnosticsOn = m_data->SettingsTable.logical("ViewDiag", false);
    }
}

void TMainForm::Print1Click()
{
    if (!m_windows.print)
        return;
    m_windows.print(Memo2->toPlainText());
    if (engine() && engine()->DiagnosticsOn)
        m_windows.print(Memo1->toPlainText());
}

void TMainForm::SaveInformation1Click()
{
    if (!m_windows.chooseInformationFile)
        return;
    const QString path = m_windows.chooseInformationFile();
    if (path.isEmpty())
        return;
    // The text File > Print prints, as UTF-8 with one line break per line.
    QFile file(path);
    const QByteArray text = Memo2->toPlainText().toUtf8() + (Memo2->toPlainText().isEmpty() ? "" : "\n");
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(text) != text.size() || !file.flush())
        throw Error("Cannot write file \"" + path.toStdString() + "\". " + file.errorString().toStdString());
}

void TMainForm::PrinterSetiup1Click()
{
    if (m_windows.printerSetup)
        m_windows.printerSetup();
}

void TMainForm::Exit1Click()
{
    close();
}

void TMainForm::SendData1Click()
{
    if (!engine() || engine()->isRunning())
        return;
    SendData1->setEnabled(false);
    const ScopeExit reenable([this] {
        SendData1->setEnabled(true);
        hideRunProgress();
    });
    try {
        engine()->SendData1Click();
    } catch (...) {
        // The error that ended the run may carry what the login or the proxy took: shown masked.
        reportCurrentException(&engine()->secrets());
    }
}

void TMainForm::CheckData1Click()
{
    if (!m_data || !engine() || engine()->isRunning())
        return;
    // The window stays responsive during a long check; neither a run nor a second check starts meanwhile.
    SendData1->setEnabled(false);
    CheckData1->setEnabled(false);
    struct Reenable {
        QAction* send;
        QAction* check;
        ~Reenable()
        {
            send->setEnabled(true);
            check->setEnabled(true);
        }
    } reenable{SendData1, CheckData1};
    Memo2->clear();
    CheckOptions options;
    options.processMessages = [] { QApplication::processEvents(); };
    runDataCheck(*m_data, [this](const std::string& line) { memo2Add(line); }, options);
}

void TMainForm::ViewTrackingData1Click()
{
    if (m_windows.viewTracking)
        m_windows.viewTracking();
}

void TMainForm::InterruptedSubmissions1Click()
{
    if (m_windows.interruptedSubmissions)
        m_windows.interruptedSubmissions();
}

void TMainForm::RunHistory1Click()
{
    if (m_windows.runHistory)
        m_windows.runHistory();
}

void TMainForm::About1Click()
{
    if (m_windows.about)
        m_windows.about();
}

// Host

void TMainForm::memo2Add(const std::string& text)
{
    for (const std::string& line : splitAddedText(text))
        Memo2->appendPlainText(m_encodings.storeText(line));
}

void TMainForm::memo2Clear()
{
    Memo2->clear();
}

void TMainForm::memo1Add(const std::string& text)
{
    m_settingMemo1 = true;
    for (const std::string& line : splitAddedText(text))
        Memo1->appendPlainText(m_encodings.storeText(line));
    m_settingMemo1 = false;
    if (!m_memo1.empty())
        m_memo1 += "\r\n";
    m_memo1 += text;
}

void TMainForm::memo1SetText(std::string text)
{
    m_settingMemo1 = true;
    Memo1->setPlainText(m_encodings.formText(text));
    m_settingMemo1 = false;
    m_memo1 = std::move(text);
}

void TMainForm::memo1Clear()
{
    memo1SetText({});
}

const std::string& TMainForm::memo1Text() const
{
    return m_memo1;
}

void TMainForm::setStatusText(const std::string& text)
{
    StatusPanel1->setText(m_encodings.storeText(text));
}

void TMainForm::setBannerVisible(bool visible)
{
    Label2->setVisible(visible);
}

void TMainForm::repaint()
{
    QMainWindow::repaint();
}

void TMainForm::processMessages()
{
    QApplication::processEvents();
}

void TMainForm::runProgress(int64_t done, int64_t total, int64_t elapsedMs)
{
    RunProgressBar->setVisible(true);
    TimeLeftLabel->setVisible(true);
    TimeLeftLabel->setText(QString::fromStdString(timeLeftText(done, total, elapsedMs)));
    if (total < 0) {
        RunProgressBar->setRange(0, 0);  // busy: the file is not counted yet
        return;
    }
    // A file that grows during the run never shows more done than there is.
    const int64_t max = std::max(total, done);
    // The bar counts in int: a file of more records than that counts in thousands.
    const int64_t scale = max > INT32_MAX ? 1000 : 1;
    RunProgressBar->setRange(0, static_cast<int>(max / scale));
    RunProgressBar->setValue(static_cast<int>(done / scale));
}

void TMainForm::hideRunProgress()
{
    RunProgressBar->setVisible(false);
    TimeLeftLabel->setVisible(false);
    TimeLeftLabel->clear();
    RunProgressBar->reset();
}

// Dialogs

Dialogs& TMainForm::answeringDialogs()
{
    return m_dialogsOverride ? *m_dialogsOverride : m_messageBoxes;
}

bool TMainForm::askYesNo(const std::string& caption, const std::string& text)
{
    return answeringDialogs().askYesNo(caption, text);
}

bool TMainForm::askOkCancel(const std::string& caption, const std::string& text)
{
    return answeringDialogs().askOkCancel(caption, text);
}

void TMainForm::showExclamation(const std::string& caption, const std::string& text)
{
    answeringDialogs().showExclamation(caption, text);
}

void TMainForm::showError(const std::string& caption, const std::string& text)
{
    answeringDialogs().showError(caption, text);
}

}  // namespace torvane
