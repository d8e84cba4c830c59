// The application object: the last line of the general error handler, for an error that escapes a
// window handler that did not guard its work.
#pragma once

#include <QApplication>

namespace torvane {

class TorvaneApplication : public QApplication {
public:
    TorvaneApplication(int& argc, char** argv);
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error message the way the general error handler does: caption "Torvane", error icon, OK.
void showErrorBox(const QString& message);

}  // namespace torvane
