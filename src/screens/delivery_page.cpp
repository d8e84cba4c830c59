#include "screens/delivery_page.h"

#include "screens/db_controls.h"
#include "store/data_module.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QVBoxLayout>

#include <iterator>

namespace torvane {

DeliveryPage::DeliveryPage(TDataModule1& data, const WindowEncodings& enc, QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("DeliverySheet"));
    DataSource& src = data.SettingsSource;
    auto* layout = new QVBoxLayout(this);
    auto* group = new QGroupBox(QStringLiteral("Failed Requests"), this);
    group->setObjectName(QStringLiteral("DeliveryGroup"));
    auto* grid = new QGridLayout(group);
    struct Row {
        const char* field;
        const char* caption;
        const char* objectName;
        const char* hint;
    };
    const Row rows[] = {
        {"RetryCount", "Retry Count:", "RetryCountEdit",
         "tries again a record that never reached the server, or that it answered 429 or 503"},
        {"RetryWait", "Retry Wait:", "RetryWaitEdit",
         "seconds before the first try again (blank: 5), doubled for each next one, at most 300"},
        {"MaxErrors", "Max Errors:", "MaxErrorsEdit",
         "failed records a run goes on past; blank: the first error ends the run"},
        {"Connections", "Connections:", "ConnectionsEdit",
         "records in flight at once, 1 to 32, each on a connection of its own; blank: one at a time"},
    };
    const int digit = fontMetrics().horizontalAdvance(QLatin1Char('0'));
    for (int i = 0; i < int(std::size(rows)); ++i) {
        auto* edit = new DBEdit(enc, src, rows[i].field, group);
        edit->setObjectName(QString::fromLatin1(rows[i].objectName));
        edit->setMaximumWidth(digit * 8 + 16);
        auto* caption = new QLabel(QString::fromLatin1(rows[i].caption), group);
        caption->setBuddy(edit);
        auto* hint = new QLabel(QString::fromLatin1(rows[i].hint), group);
        hint->setWordWrap(true);
        grid->addWidget(caption, i, 0);
        grid->addWidget(edit, i, 1);
        grid->addWidget(hint, i, 2);
    }
    grid->setColumnStretch(2, 1);
    layout->addWidget(group);
    layout->addStretch(1);
}

}  // namespace torvane
