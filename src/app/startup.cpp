#include "app/startup.h"

#include "app/about_box.h"
#include "app/splash_form.h"
#include "app/torvane_application.h"
#include "htmlimport/import_html_form.h"
#include "posting/main_form.h"
#include "report/memo_report.h"
#include "gui/qt_text.h"
#include "screens/interrupted_form.h"
#include "screens/run_history_form.h"
#include "screens/settings_form.h"
#include "screens/tracking_form.h"
#include "store/data_module.h"
#include "util/dates.h"
#include "util/error_handler.h"
#include "util/product_info.h"

#include <QFileDialog>

#include <chrono>
#include <memory>
#include <thread>

namespace torvane {

namespace {

constexpr auto kSplashWait = std::chrono::milliseconds(5000);

// The windows over the store, made once it is open; the main window reaches them through its hooks.
struct StoreWindows {
    std::unique_ptr<TImportHTMLForm> importForm;
    std::unique_ptr<TSettingsForm> settingsForm;
    std::unique_ptr<TTrackingForm> trackingForm;
    std::unique_ptr<TInterruptedForm> interruptedForm;
    std::unique_ptr<TRunHistoryForm> runHistoryForm;
};

void makeStoreWindows(StoreWindows& w, TDataModule1& data, WindowEncodings& encodings, TMainForm& mainForm,
                      TMemoReport& report)
{
    // From here on the windows read the store's texts in the encodings it names.
    useSettingsEncodings(encodings, data);
    mainForm.attachDataModule(data);
    w.importForm = std::make_unique<TImportHTMLForm>(data);
    w.settingsForm = std::make_unique<TSettingsForm>(data, encodings, *w.importForm, &mainForm);
    w.trackingForm = std::make_unique<TTrackingForm>(data, encodings, &mainForm);
    w.interruptedForm = std::make_unique<TInterruptedForm>(data, &mainForm);
    w.runHistoryForm = std::make_unique<TRunHistoryForm>(data, &mainForm);
    mainForm.setWindows({
        [&w] {
            w.settingsForm->exec();
            return w.settingsForm->showPostingData();
        },
        [&w] { w.trackingForm->exec(); },
        [&report, &mainForm](const QString& text) { report.printText(text, &mainForm); },
        [&report, &mainForm] { report.printerSetup(&mainForm); },
        [&mainForm] {
            TAboutBox box(&mainForm);
            box.exec();
        },
        [&w] { w.interruptedForm->exec(); },
        [&mainForm] {
            return QFileDialog::getSaveFileName(&mainForm, QStringLiteral("Save Information"),
                                                QStringLiteral("Torvane Report.txt"),
                                                QStringLiteral("Text files (*.txt);;All files (*)"));
        },
        [&w] { w.runHistoryForm->exec(); },
    });
}

}  // namespace

int runApplication(int argc, char** argv)
{
    // 1. The application framework.
    TorvaneApplication app(argc, argv);
    setShortDateFormat(localeShortDateFormat());
    setErrorReporter([](const std::string& message) { showErrorBox(toQString(message)); });

    // 2. The splash, painted at once, without a progress bar.
    auto splash = std::make_unique<TSplashForm>(0);
    splash->show();
    splash->repaint();
    QApplication::processEvents();

    // 3. The application title: the caption of every error box from here on.
    QApplication::setApplicationName(kProductName);
    QApplication::setApplicationDisplayName(kProductName);

    // 4. The long-lived objects, in order. A store that cannot be opened is reported while the splash is
    // up, and the application then ends instead of showing a main window that cannot work. The windows
    // share one set of encodings, renewed by the settings dialog.
    WindowEncodings encodings;
    TMainForm mainForm(encodings);
    std::unique_ptr<TDataModule1> dataModule;
    try {
        dataModule = std::make_unique<TDataModule1>();
    } catch (...) {
        reportCurrentException();
    }
    StoreWindows windows;
    TMemoReport report;
    if (dataModule)
        makeStoreWindows(windows, *dataModule, encodings, mainForm, report);

    // 5. The wait: nothing is handled meanwhile, as on every start.
    std::this_thread::sleep_for(kSplashWait);

    // 6. Hide and release the splash.
    splash->hide();
    splash.reset();

    // 7. The message loop, unless the store could not be opened.
    if (!dataModule)
        return 1;
    mainForm.show();
    return app.exec();
}

}  // namespace torvane
