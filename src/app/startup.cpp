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
}

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
    // up, and the application then ends instead of showing a main window that cannot work.
    TMainForm mainForm;
    std::unique_ptr<TDataModule1> dataModule;
    bool terminate = false;
    try {
        dataModule = std::make_unique<TDataModule1>();
    } catch (...) {
        reportCurrentException();
        terminate = true;
    }
    std::unique_ptr<TImportHTMLForm> importForm;
    std::unique_ptr<TSettingsForm> settingsForm;
    std::unique_ptr<TTrackingForm> trackingForm;
    std::unique_ptr<TInterruptedForm> interruptedForm;
    std::unique_ptr<TRunHistoryForm> runHistoryForm;
    TMemoReport report;
    if (dataModule) {
        mainForm.attachDataModule(*dataModule);
        importForm = std::make_unique<TImportHTMLForm>(*dataModule);
        settingsForm = std::make_unique<TSettingsForm>(*dataModule, *importForm, &mainForm);
        trackingForm = std::make_unique<TTrackingForm>(*dataModule, &mainForm);
        interruptedForm = std::make_unique<TInterruptedForm>(*dataModule, &mainForm);
        runHistoryForm = std::make_unique<TRunHistoryForm>(*dataModule, &mainForm);
        mainForm.setWindows({
            [&] {
                settingsForm->exec();
                return settingsForm->showPostingData();
            },
            [&] { trackingForm->exec(); },
            [&](const QString& text) { report.printText(text, &mainForm); },
            [&] { report.printerSetup(&mainForm); },
            [&] {
                TAboutBox box(&mainForm);
                box.exec();
            },
            [&] { interruptedForm->exec(); },
            [&] {
                return QFileDialog::getSaveFileName(&mainForm, QStringLiteral("Save Information"),
                                                    QStringLiteral("Torvane Report.txt"),
                                                    QStringLiteral("Text files (*.txt);;All files (*)"));
            },
            [&] { runHistoryForm->exec(); },
        });
    }

    // 5. The wait: nothing is handled meanwhile, as on every start.
    std::this_thread::sleep_for(kSplashWait);

    // 6. Hide and release the splash.
    splash->hide();
    splash.reset();

    // 7. The message loop, unless the store could not be opened.
    if (terminate)
        return 1;
    mainForm.show();
    return app.exec();
}

}  // namespace torvane
