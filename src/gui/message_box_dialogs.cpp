#include "gui/message_box_dialogs.h"

#include "gui/qt_text.h"

#include <QMessageBox>

namespace torvane {

namespace {
QMessageBox::StandardButton ask(QWidget* parent, QMessageBox::Icon icon, const std::string& caption,
                                const std::string& text, QMessageBox::StandardButtons buttons,
                                QMessageBox::StandardButton fallback)
{
    QMessageBox box(icon, toQString(caption), toQString(text), buttons, parent);
    box.setDefaultButton(fallback);
    const int answer = box.exec();
    return static_cast<QMessageBox::StandardButton>(answer);
}
}  // namespace

bool MessageBoxDialogs::askYesNo(const std::string& caption, const std::string& text)
{
    return ask(m_parent, QMessageBox::Warning, caption, text, QMessageBox::Yes | QMessageBox::No,
               QMessageBox::Yes) == QMessageBox::Yes;
}

bool MessageBoxDialogs::askOkCancel(const std::string& caption, const std::string& text)
{
    return ask(m_parent, QMessageBox::Question, caption, text, QMessageBox::Ok | QMessageBox::Cancel,
               QMessageBox::Ok) == QMessageBox::Ok;
}

void MessageBoxDialogs::showExclamation(const std::string& caption, const std::string& text)
{
    ask(m_parent, QMessageBox::Warning, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

void MessageBoxDialogs::showError(const std::string& caption, const std::string& text)
{
    ask(m_parent, QMessageBox::Critical, caption, text, QMessageBox::Ok, QMessageBox::Ok);
}

}  // namespace torvane
