#include "app/torvane_application.h"

#include "util/error_handler.h"
#include "util/product_info.h"

#include <QMessageBox>

namespace torvane {

TorvaneApplication::TorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TorvaneApplication::notify(QObject* receiver, QEvent* event)
{
    bool handled = false;
    guarded([&] { handled = QApplication::notify(receiver, event); });
    return handled;
}

void showErrorBox(const QString& message)
{
    QMessageBox box(QMessageBox::Critical, kProductName, message, QMessageBox::Ok, QApplication::activeWindow());
    box.exec();
}

}  // namespace torvane
