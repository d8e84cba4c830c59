#include "gui/password_prompt.h"

#include "gui/qt_text.h"

#include <QInputDialog>
#include <QLineEdit>

namespace torvane {

std::optional<std::string> askSecret(QWidget* parent, const WindowEncodings& encodings,
                                     const std::string& name)
{
    bool ok = false;
    const QString value = QInputDialog::getText(parent, QStringLiteral("Torvane"),
                                                QStringLiteral("Value of %1:").arg(encodings.storeText(name)),
                                                QLineEdit::Password, QString(), &ok);
    if (!ok)
        return std::nullopt;
    return encodings.storeBytes(value);
}

}  // namespace torvane
